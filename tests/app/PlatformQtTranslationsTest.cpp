#include "app/platform/QtMessageBoxes.h"
#include "app/platform/QtTranslations.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <memory>

namespace {

QStringList ButtonTexts(TMessageKind kind) {
    const auto box =
        TQtMessageBoxes::Build(kind, QStringLiteral("Zentrilo"), QStringLiteral("?"), true);
    QStringList texts;
    for (const QAbstractButton* button : box->buttons())
        texts.push_back(button->text());
    texts.sort();
    return texts;
}

// The menu's entries without their shortcuts.
QStringList MenuTexts() {
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            texts.push_back(action->text().section(u'\t', 0, 0));
    return texts;
}

QStringList FileDialogLabels() {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (!label->text().isEmpty())
            texts.push_back(label->text());
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        texts.push_back(button->text().isEmpty() ? button->toolTip() : button->text());
    texts.removeAll(QString());
    texts.sort();
    return texts;
}

TEST(QtTranslations, QtsOwnTextsFollowTheLanguageBothWays) {
    const struct {
        bool english;
        QStringList question, info, menu;
        QStringList fileDialog;
    } cases[] = {
        {false,
         {"&Da", "&Nu"},
         {"OK"},
         {"&Anulează", "&Refă", "&Taie", "&Copiază", "&Lipeşte", "Şterge", "Selectează tot"},
         {"&Nume fişier:", "&Salvează", "Anulare", "Caută în:", "Detalii", "Dosar nou",
          "Dosarul părinte", "Fişiere de tipul:", "Listă", "Înainte", "Înapoi"}},
        {true,
         {"&No", "&Yes"},
         {"OK"},
         {"&Undo", "&Redo", "Cu&t", "&Copy", "&Paste", "Delete", "Select All"},
         {"&Save", "Back", "Cancel", "Create New Folder", "Detail View",
          "File &name:", "Files of type:", "Forward", "List View", "Look in:", "Parent Directory"}},
    };
    for (const auto& c : cases) {
        ApplyQtLanguage(c.english);
        EXPECT_EQ(ButtonTexts(TMessageKind::QuestionWarning), c.question) << c.english;
        EXPECT_EQ(ButtonTexts(TMessageKind::Info), c.info) << c.english;
        EXPECT_EQ(MenuTexts(), c.menu) << c.english;
        QStringList fileDialog = c.fileDialog;
        fileDialog.sort();
        EXPECT_EQ(FileDialogLabels(), fileDialog) << c.english;
    }
}

} // namespace

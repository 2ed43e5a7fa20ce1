#include "app/platform/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace {

bool IsQuestion(TMessageKind kind) {
    return kind == TMessageKind::Question || kind == TMessageKind::QuestionWarning;
}

QMessageBox::Icon IconOf(TMessageKind kind) {
    switch (kind) {
    case TMessageKind::Info:
        return QMessageBox::Information;
    case TMessageKind::Question:
        return QMessageBox::Question;
    case TMessageKind::Warning:
    case TMessageKind::QuestionWarning:
        break;
    }
    return QMessageBox::Warning;
}

} // namespace

std::unique_ptr<QMessageBox> TQtMessageBoxes::Build(TMessageKind kind, const QString& caption,
                                                    const QString& text, bool defaultYes) {
    const bool question = IsQuestion(kind);
    auto box = std::make_unique<QMessageBox>(IconOf(kind), caption, text,
                                             question ? QMessageBox::Yes | QMessageBox::No
                                                      : QMessageBox::Ok,
                                             QApplication::activeWindow());
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (question) {
        box->setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
        // Closing the box by its title bar or Escape is a "No", never a silent "Yes".
        box->setEscapeButton(QMessageBox::No);
    } else {
        box->setDefaultButton(QMessageBox::Ok);
    }
    return box;
}

int TQtMessageBoxes::Show(TMessageKind kind, const QString& caption, const QString& text,
                          bool defaultYes) {
    const auto box = Build(kind, caption, text, defaultYes);
    const int pressed = box->exec();
    return pressed == QMessageBox::Yes ? IDYES : IDNO;
}

#pragma once
// The message boxes on screen: modal to the application, on top of every window, and always
// plain text, because IDs and release notes from the network are shown in them.

#include "shell/uDialogs.h"

#include <memory>

class QMessageBox;

class TQtMessageBoxes : public IMessageBoxes {
public:
    int Show(TMessageKind kind, const QString& caption, const QString& text,
             bool defaultYes) override;

    // The box for one call, ready to run.
    static std::unique_ptr<QMessageBox> Build(TMessageKind kind, const QString& caption,
                                              const QString& text, bool defaultYes);
};

#include "app/platform/ShellExecuteLauncher.h"

#include <QApplication>
#include <QWidget>

#include <windows.h>

#include <shellapi.h>

namespace {

// The error the shell left for its caller; its own result code when it left none.
DWORD LaunchError(INT_PTR result) {
    const DWORD lastError = ::GetLastError();
    if (lastError != ERROR_SUCCESS)
        return lastError;
    if (result == SE_ERR_NOASSOC || result == SE_ERR_ASSOCINCOMPLETE)
        return ERROR_NO_ASSOCIATION;
    return static_cast<DWORD>(result);
}

} // namespace

void TShellExecuteLauncher::Open(const QString& target, TOpenFailure onFailure) {
    const QWidget* active = QApplication::activeWindow();
    const HWND owner = active != nullptr ? reinterpret_cast<HWND>(active->winId()) : nullptr;
    const std::wstring file = target.toStdWString();
    ::SetLastError(ERROR_SUCCESS);
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(owner, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return;
    const DWORD error = LaunchError(result);
    if (onFailure)
        onFailure(SystemErrorText(error));
}

QString TShellExecuteLauncher::SystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    QString text = length > 0 ? QString::fromWCharArray(buffer, static_cast<qsizetype>(length))
                              : QStringLiteral("Error %1").arg(code);
    ::LocalFree(buffer);
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    return text;
}

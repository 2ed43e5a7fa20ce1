// Sends the running program the exit message as any other program may: WM_USER + 3 posted to
// the window of class "TzentriloMF". With "--find" it only looks for that window. Exit code 1
// when no such window exists.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
    const HWND window = ::FindWindowW(L"TzentriloMF", nullptr);
    if (window == nullptr)
        return 1;
    if (argc > 1 && std::strcmp(argv[1], "--find") == 0)
        return 0;
    return ::PostMessageW(window, WM_USER + 3, 0, 0) ? 0 : 1;
}

; The Windows installer: per machine into Program Files, a Start-menu shortcut, the licence, and
; an uninstaller registered under Uninstall that removes every file it installed and leaves the
; users' settings and history. windows-package.sh defines VERSION, STAGE (the files to install),
; FILES and UNFILES (their install and removal lines), ICON (the program's icon) and OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentrilo"
; The exit message the running program obeys: WM_USER + 3.
!define EXIT_MESSAGE 1027

Name "Zentrilo ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zentrilo"
RequestExecutionLevel admin
BrandingText "Zentrilo ${VERSION}"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

!insertmacro MUI_PAGE_LICENSE "${STAGE}\License.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Romanian"

; A running copy holds its files open: it is asked to exit as any program may ask it.
!macro EndRunningProgram
    FindWindow $0 "TzentriloMF"
    StrCmp $0 0 +3
    SendMessage $0 ${EXIT_MESSAGE} 0 0 /TIMEOUT=5000
    Sleep 500
!macroend

Function .onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Function un.onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Section "Zentrilo"
    !insertmacro EndRunningProgram
    !include "${FILES}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Zentrilo.lnk" "$INSTDIR\zentrilo.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Zentrilo"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "ZentriloSoft"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zentrilo.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !insertmacro EndRunningProgram
    !include "${UNFILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Zentrilo.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

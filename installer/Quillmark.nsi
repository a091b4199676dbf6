; Setup program for Quillmark, built by makensis (NSIS 3) from the build's
; staged files. Defines passed on the command line:
;   VERSION  the program's version, for example 2.09
;   FILES    folder holding Quillmark.exe, Quillmark.chm and readme.txt
;   ICON     the program's icon (.ico)
;   OUTFILE  the setup program to write
;
; Command line of the setup program:
;   /S                  silent
;   /STARTWITHWINDOWS   choose "Start with Windows"
;   /D=folder           install folder (must come last)
; Command line of the uninstaller:
;   /S                  silent
;   /REMOVEUSERDATA     also remove protect.dat, local-db.xml and the settings
;
; The user's data lives beside the program (protect.dat, local-db.xml) and in
; HKCU\Software\Ornava Utilities\Quillmark. Neither the setup program nor a
; plain uninstall touches it, so an upgrade or a reinstall finds it again.

Unicode true
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Quillmark"
!define COMPANY "Ornava Utilities"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmark"
; The program's own start-at-logon value: the same key, name and data
; (the executable's full path) as its "Startup with Windows" option writes.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Quillmark"
!define SETTINGS_KEY "Software\Ornava Utilities\Quillmark"
; The running program owns a mutex named after its executable.
!define INSTANCE_MUTEX "Quillmark"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${COMPANY}\${PRODUCT}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${COMPANY}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${COMPANY}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillmark.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Run Quillmark"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\readme.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Refuses to go on while Quillmark runs: its files could not be replaced or
; removed, and a half-replaced installation would be left behind. In silent
; mode the answer is Cancel, and the setup program ends with exit code 2.
!macro REFUSE_WHILE_RUNNING
    ${Do}
        System::Call 'kernel32::OpenMutex(i 0x00100000, i 0, t "${INSTANCE_MUTEX}") p .r0'
        ${If} $0 = 0
            ${Break}
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r0)'
        ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Quillmark is running. Exit it (File > Exit, or Exit in its notification-area menu) and click Retry." /SD IDCANCEL IDRETRY`
            Abort
        ${EndIf}
    ${Loop}
!macroend

Section "Quillmark (required)" SecProgram
    SectionIn RO
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File "${FILES}/Quillmark.exe"
    File "${FILES}/Quillmark.chm"
    File "${FILES}/readme.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Quillmark.lnk" "$INSTDIR\Quillmark.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Quillmark Help.lnk" "$INSTDIR\Quillmark.chm"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall Quillmark.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Quillmark.exe,0"
    WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

Section /o "Start with Windows" SecStartup
    WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" "$INSTDIR\Quillmark.exe"
SectionEnd

Function .onInit
    !insertmacro REFUSE_WHILE_RUNNING
    ; Keep the user's current choice on an upgrade: the value names the
    ; installed copy when its option is on. A value that starts another copy
    ; (a portable one, say) is that copy's, and is left alone.
    ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/STARTWITHWINDOWS" $2
    ${If} $0 == "$INSTDIR\Quillmark.exe"
    ${OrIfNot} ${Errors}
        SectionSetFlags ${SecStartup} ${SF_SELECTED}
    ${EndIf}
FunctionEnd

; ---------------------------------------------------------------- uninstaller

Section "un.Quillmark" UnSecProgram
    SectionIn RO
    SetShellVarContext all
    Delete "$INSTDIR\Quillmark.exe"
    Delete "$INSTDIR\Quillmark.chm"
    Delete "$INSTDIR\readme.txt"
    ; What the program leaves behind for itself: its log and its HTML work
    ; folder (only the files it writes there, never the whole folder).
    Delete "$INSTDIR\quillmark.log"
    Delete "$INSTDIR\HTML\dkblue.gif"
    Delete "$INSTDIR\HTML\title_bg.gif"
    Delete "$INSTDIR\HTML\file_icon.bmp"
    Delete "$INSTDIR\HTML\output.htm"
    RMDir "$INSTDIR\HTML"

    Delete "$SMPROGRAMS\${PRODUCT}\Quillmark.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Quillmark Help.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall Quillmark.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"

    ; The start-at-logon value only when it starts this copy: another copy
    ; (a portable one, say) keeps its own.
    ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $0 == "$INSTDIR\Quillmark.exe"
        DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}

    DeleteRegKey HKLM "${UNINST_KEY}"
    Delete "$INSTDIR\uninstall.exe"
SectionEnd

Section /o "un.Remove my data and settings" UnSecData
    Delete "$INSTDIR\protect.dat"
    Delete "$INSTDIR\local-db.xml"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\${COMPANY}"
SectionEnd

Section "-un.Folders"
    ; Only empty folders go: the user's files keep theirs.
    RMDir "$INSTDIR"
    RMDir "$PROGRAMFILES\${COMPANY}"
SectionEnd

Function un.onInit
    !insertmacro REFUSE_WHILE_RUNNING
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/REMOVEUSERDATA" $2
    ${IfNot} ${Errors}
        SectionSetFlags ${UnSecData} ${SF_SELECTED}
    ${EndIf}
FunctionEnd

; Setup program for Quillmark, built by makensis (NSIS 3) from the build's
; staged files. Defines passed on the command line:
;   VERSION  the program's version, for example 2.09
;   FILES    folder holding Quillmark.exe, Quillmark.chm and readme.txt
;   ICON     the program's icon (.ico)
;   OUTFILE  the setup program to write
;
; Command line of the setup program:
;   /S                  silent
;   /CURRENTUSER        install for the current user only (the default)
;   /ALLUSERS           install for all users of the computer (administrator
;                       rights needed; exit code 740 without them)
;   /STARTWITHWINDOWS   choose "Start with Windows"
;   /D=folder           install folder (must come last)
; Command line of the uninstaller:
;   /S                  silent
;   /REMOVEUSERDATA     also remove protect.dat, local-db.xml and the settings
;
; The program keeps its files beside its executable (protect.dat,
; local-db.xml, quillmark.log, the HTML folder) and must be able to write
; them as the user who runs it. So it is installed, by default, for the
; current user under the user's own program folder (%LOCALAPPDATA%\Programs),
; with its uninstall entry under HKCU: no administrator rights needed. For all
; users it goes to Program Files with the entry under HKLM, and the program
; folder and the common data folder (where the publisher's database is
; downloaded to) are made writable for the Users group; any user can then
; change the files there, the program itself included.
;
; The user's data lives beside the program (protect.dat, local-db.xml) and in
; HKCU\Software\Ornava Utilities\Quillmark. Neither the setup program nor a
; plain uninstall touches it, so an upgrade or a reinstall finds it again; an
; upgrade keeps the existing installation's place and kind.

Unicode true
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "nsDialogs.nsh"
!include "WinCore.nsh"

!define PRODUCT "Quillmark"
!define COMPANY "Ornava Utilities"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmark"
; The program's own start-at-logon value: the same key, name and data
; (the executable's full path, in quotes when it holds a space) as its "Start
; with Windows" option writes.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Quillmark"
!define SETTINGS_KEY "Software\Ornava Utilities\Quillmark"
; The running program owns a mutex named after its executable.
!define INSTANCE_MUTEX "Quillmark"
; The common data folder the program downloads the publisher's database to.
!define COMMON_DATA "$PROGRAMFILES\${COMPANY}\Common"
; BUILTIN\Users, by its SID (its name differs from language to language).
!define USERS_SID "S-1-5-32-545"
; What the Users group may do in the folders of an installation for all
; users: read, write, create, delete, run ("Modify"), inherited by what is
; in them and what is made there later.
!define MODIFY_ACCESS 0x1301BF
!define SE_FILE_OBJECT 1
!define DACL_SECURITY_INFORMATION 4

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; Administrators are asked to elevate, since they may install for all users;
; everyone else runs it as themselves and installs for themselves.
RequestExecutionLevel highest
BrandingText "${COMPANY}"

; 1 when installing for all users, 0 for the current user.
Var AllUsers
; 1 when the folder was given with /D (it is then kept whatever the kind).
Var FolderGiven
Var ModePage
Var ModeJustMe
Var ModeEveryone

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

Page custom InstallModePage InstallModePageLeave
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
    SetOutPath "$INSTDIR"
    File "${FILES}/Quillmark.exe"
    File "${FILES}/Quillmark.chm"
    File "${FILES}/readme.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; $SMPROGRAMS and SHCTX follow the kind: the user's own Start menu and
    ; HKCU, or the common ones and HKLM.
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Quillmark.lnk" "$INSTDIR\Quillmark.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Quillmark Help.lnk" "$INSTDIR\Quillmark.chm"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall Quillmark.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
    WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Quillmark.exe,0"
    WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" "$0"

    ${If} $AllUsers = 1
        ; Every user runs the program as himself and must be able to save
        ; his protections, descriptions and log, and to download the
        ; publisher's database.
        CreateDirectory "${COMMON_DATA}"
        Push "$INSTDIR"
        Call GrantUsersModify
        Push "${COMMON_DATA}"
        Call GrantUsersModify
    ${Else}
        ; An installation for all users made before holds this user's data:
        ; the first installation for the user alone starts with a copy.
        ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
        ${If} $0 != ""
        ${AndIf} $0 != $INSTDIR
            ${IfNot} ${FileExists} "$INSTDIR\protect.dat"
                CopyFiles /SILENT "$0\protect.dat" "$INSTDIR"
            ${EndIf}
            ${IfNot} ${FileExists} "$INSTDIR\local-db.xml"
                CopyFiles /SILENT "$0\local-db.xml" "$INSTDIR"
            ${EndIf}
        ${EndIf}
    ${EndIf}
SectionEnd

Section /o "Start with Windows" SecStartup
    Push "$INSTDIR\Quillmark.exe"
    Call RunValueOf
    Pop $0
    WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" "$0"
SectionEnd

; Grants the Users group MODIFY_ACCESS on the folder on the stack, inherited
; by everything in it. Through the system's security functions rather than a
; tool: icacls is missing before Vista, and what a tool did cannot be read
; back from here.
Function GrantUsersModify
    Exch $0
    Push $1
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    StrCpy $6 "failed"
    System::Call 'advapi32::ConvertStringSidToSidW(w "${USERS_SID}", *p .r1) i .r2'
    ${If} $2 <> 0
        System::Call 'advapi32::GetNamedSecurityInfoW(w r0, i ${SE_FILE_OBJECT}, i ${DACL_SECURITY_INFORMATION}, p 0, p 0, *p .r3, p 0, *p .r4) i .r2'
        ${If} $2 = 0
            ; EXPLICIT_ACCESS_W: the rights, GRANT_ACCESS, inherited by files
            ; and folders, and a trustee given by its SID.
            System::Call '*(i ${MODIFY_ACCESS}, i 1, i 3, p 0, i 0, i 0, i 0, p r1) p .r5'
            System::Call 'advapi32::SetEntriesInAclW(i 1, p r5, p r3, *p .r3) i .r2'
            System::Free $5
            ${If} $2 = 0
                System::Call 'advapi32::SetNamedSecurityInfoW(w r0, i ${SE_FILE_OBJECT}, i ${DACL_SECURITY_INFORMATION}, p 0, p 0, p r3, p 0) i .r2'
                System::Call 'kernel32::LocalFree(p r3)'
                ${If} $2 = 0
                    StrCpy $6 "ok"
                ${EndIf}
            ${EndIf}
            System::Call 'kernel32::LocalFree(p r4)'
        ${EndIf}
        System::Call 'kernel32::LocalFree(p r1)'
    ${EndIf}
    ${If} $6 == "ok"
        DetailPrint "All users may now write to $0"
    ${Else}
        DetailPrint "Could not let all users write to $0 (error $2)"
    ${EndIf}
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd

; The start-at-logon value for the executable path on the stack: the path,
; in double quotes when it holds a space (as the program writes it).
Function RunValueOf
    Exch $0
    Push $1
    Push $2
    StrCpy $2 0
    ${Do}
        StrCpy $1 $0 1 $2
        ${If} $1 == ""
            ${Break}
        ${ElseIf} $1 == " "
            StrCpy $0 '"$0"'
            ${Break}
        ${EndIf}
        IntOp $2 $2 + 1
    ${Loop}
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; Sets the shell folders, the registry root of SHCTX and (unless /D gave one)
; the install folder for the kind in $AllUsers.
Function ApplyInstallMode
    ${If} $AllUsers = 1
        SetShellVarContext all
        ${If} $FolderGiven = 0
            StrCpy $INSTDIR "$PROGRAMFILES\${COMPANY}\${PRODUCT}"
        ${EndIf}
    ${Else}
        SetShellVarContext current
        ${If} $FolderGiven = 0
            GetKnownFolderPath $INSTDIR ${FOLDERID_UserProgramFiles}
            ${If} $INSTDIR == ""
                StrCpy $INSTDIR "$LOCALAPPDATA\Programs"
            ${EndIf}
            StrCpy $INSTDIR "$INSTDIR\${COMPANY}\${PRODUCT}"
        ${EndIf}
    ${EndIf}
    ; An upgrade goes where the installation of this kind is.
    ${If} $FolderGiven = 0
        ReadRegStr $0 SHCTX "${UNINST_KEY}" "InstallLocation"
        ${If} $0 != ""
            StrCpy $INSTDIR $0
        ${EndIf}
    ${EndIf}
FunctionEnd

Function InstallModePage
    !insertmacro MUI_HEADER_TEXT "Choose Users" "Choose for whom to install ${PRODUCT}."
    nsDialogs::Create 1018
    Pop $ModePage
    ${NSD_CreateLabel} 0 0 100% 24u "Quillmark keeps its protection list, your program descriptions and its log in its own folder, so that folder must be one you can write to."
    Pop $0
    ${NSD_CreateRadioButton} 0 32u 100% 12u "Install just for &me (recommended; no administrator rights needed)"
    Pop $ModeJustMe
    ${NSD_CreateRadioButton} 0 48u 100% 12u "Install for &all users of this computer"
    Pop $ModeEveryone
    ${NSD_CreateLabel} 12u 62u 95% 36u "Installs into Program Files. Every user of the computer can then change the program's folder and the common data folder, the program itself included. Needs administrator rights."
    Pop $0
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        EnableWindow $ModeEveryone 0
    ${EndIf}
    ${If} $AllUsers = 1
        ${NSD_Check} $ModeEveryone
    ${Else}
        ${NSD_Check} $ModeJustMe
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function InstallModePageLeave
    ${NSD_GetState} $ModeEveryone $0
    ${If} $0 = ${BST_CHECKED}
        StrCpy $AllUsers 1
    ${Else}
        StrCpy $AllUsers 0
    ${EndIf}
    Call ApplyInstallMode
    Call PreselectStartWithWindows
FunctionEnd

; Keeps the user's current choice on an upgrade: the value names the
; installed copy when its option is on (quoted or not). A value that starts
; another copy (a portable one, say) is that copy's, and is left alone.
Function PreselectStartWithWindows
    ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/STARTWITHWINDOWS" $2
    ${If} $0 == "$INSTDIR\Quillmark.exe"
    ${OrIf} $0 == '"$INSTDIR\Quillmark.exe"'
    ${OrIfNot} ${Errors}
        SectionSetFlags ${SecStartup} ${SF_SELECTED}
    ${Else}
        SectionSetFlags ${SecStartup} 0
    ${EndIf}
FunctionEnd

Function .onInit
    !insertmacro REFUSE_WHILE_RUNNING
    StrCpy $FolderGiven 0
    ${If} $INSTDIR != ""
        StrCpy $FolderGiven 1
    ${EndIf}
    ; The kind: the command line's, else the installed copy's (an upgrade),
    ; else just for this user. An installation for all users is upgraded as
    ; such only by an administrator; anyone else gets one of his own.
    UserInfo::GetAccountType
    Pop $3
    StrCpy $AllUsers 0
    ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
    ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $0 == ""
    ${AndIf} $1 != ""
    ${AndIf} $3 == "Admin"
        StrCpy $AllUsers 1
    ${EndIf}
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/CURRENTUSER" $2
    ${IfNot} ${Errors}
        StrCpy $AllUsers 0
    ${EndIf}
    ClearErrors
    ${GetOptions} $1 "/ALLUSERS" $2
    ${IfNot} ${Errors}
        StrCpy $AllUsers 1
        ${If} $3 != "Admin"
            MessageBox MB_OK|MB_ICONSTOP "Installing Quillmark for all users needs administrator rights. Run the setup program as an administrator, or install it just for yourself." /SD IDOK
            SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
            Quit
        ${EndIf}
    ${EndIf}
    Call ApplyInstallMode
    Call PreselectStartWithWindows
FunctionEnd

; ---------------------------------------------------------------- uninstaller

Section "un.Quillmark" UnSecProgram
    SectionIn RO
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

    ; The start-at-logon value only when it starts this copy (quoted or
    ; not): another copy (a portable one, say) keeps its own.
    ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $0 == "$INSTDIR\Quillmark.exe"
    ${OrIf} $0 == '"$INSTDIR\Quillmark.exe"'
        DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}

    DeleteRegKey SHCTX "${UNINST_KEY}"
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
    ${If} $AllUsers = 1
        RMDir "${COMMON_DATA}"
        RMDir "$PROGRAMFILES\${COMPANY}"
    ${Else}
        ${GetParent} "$INSTDIR" $0
        ${GetFileName} "$0" $1
        ${If} $1 == "${COMPANY}"
            RMDir "$0"
        ${EndIf}
    ${EndIf}
SectionEnd

Function un.onInit
    !insertmacro REFUSE_WHILE_RUNNING
    ; Installed for all users when the machine's uninstall entry names this
    ; folder; otherwise for the user who runs it.
    StrCpy $AllUsers 0
    ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
        StrCpy $AllUsers 1
        SetShellVarContext all
        UserInfo::GetAccountType
        Pop $1
        ${If} $1 != "Admin"
            MessageBox MB_OK|MB_ICONSTOP "Quillmark was installed for all users: removing it needs administrator rights." /SD IDOK
            SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
            Quit
        ${EndIf}
    ${Else}
        SetShellVarContext current
    ${EndIf}
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/REMOVEUSERDATA" $2
    ${IfNot} ${Errors}
        SectionSetFlags ${UnSecData} ${SF_SELECTED}
    ${EndIf}
FunctionEnd

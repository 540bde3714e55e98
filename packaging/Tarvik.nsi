; Tarvik's per-user installer (NSIS 3, Unicode): one setup for 32- and 64-bit
; Windows, no administrator, installs to %LOCALAPPDATA%\Programs\Tarvik.
; scripts/dist.sh builds it:
;
;   makensis -DVERSION=1.0.1 -DFILE_VERSION=1.0.1.0 -DSTAGE=folder
;            -DOUTFILE=setup.exe [-DSIGN=scripts/sign.sh] Tarvik.nsi
;
; STAGE holds the files as shipped for each architecture, in STAGE/x86 and
; STAGE/x64: Tarvik.exe, Tarvik.com, suspend.exe, LICENSE.txt and README.txt. SIGN, when
; given, signs the uninstaller as it is written.
;
; The setup is a 32-bit program, so that every Windows starts it; on 64-bit
; Windows it installs the 64-bit programs, whose wake command then runs
; outside the 32-bit file-system redirection. -DTARGET=amd64-unicode builds
; the same script as a 64-bit program: the installer test runs that one on
; hosts that start only 64-bit programs. It is never shipped.
;
; Installer command line: /S silent; /AUTOSTART start Tarvik when Windows
; starts; /D=folder (last) another folder. Uninstaller: /S silent;
; /REMOVEDATA also remove the settings and the activity log.

!ifndef TARGET
    !define TARGET x86-unicode
!endif
!if "${TARGET}" != "x86-unicode"
!if "${TARGET}" != "amd64-unicode"
    !error "TARGET must be x86-unicode or amd64-unicode"
!endif
!endif
Target ${TARGET}

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include nsDialogs.nsh
!include x64.nsh

!define PROGRAM "Tarvik.exe"
; Its console twin for the command line: a shell given "Tarvik" takes it first.
!define CONSOLE_TWIN "Tarvik.com"
!define UNINSTALLER "Uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvik"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Task Manager's record of the Run value: see TurnOnStartupRecord.
!define STARTUP_APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
; The program's data folder: local application data, then the CompanyName and
; ProductName of its version resource.
!define DATA_COMPANY "$LOCALAPPDATA\Tarvik Developers"
!define DATA_FOLDER "${DATA_COMPANY}\Tarvik"
!define SYNCHRONIZE 0x00100000

Name "Tarvik"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tarvik"
; An upgrade goes where the last installation went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel user
SetCompressor /SOLID lzma
; No build-machine file times in the installer: the same files give the same bytes.
SetDateSave off
BrandingText "Tarvik ${VERSION}"
ManifestSupportedOS all

!ifdef SIGN
    !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

Var WasRunning
Var KeptStartChoice
Var RemoveData
Var RemoveDataBox
; The programs this Windows gets: x64 or x86.
Var Arch

!define MUI_ICON "../resources/icons/tarvik.ico"
!define MUI_UNICON "../resources/icons/tarvik.ico"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_LICENSE "${STAGE}/x86/LICENSE.txt"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
!define MUI_FINISHPAGE_RUN_TEXT "Start Tarvik now"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.ConfirmPage un.ConfirmLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Tarvik"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Tarvik Developers"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Tarvik Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright © 2026 Tarvik Developers. Licensed under the MIT License."

!macro SHARED_FUNCTIONS un
; Asks a running Tarvik to save its settings and close, as a takeover start
; of the program itself does, and waits (30 s at most) until it has ended.
; $WasRunning: 1 when one was running.
Function ${un}CloseTarvik
    StrCpy $WasRunning 0
    ; Every copy holds a mutex named after the hash of its file name, and
    ; takes the notification only with that hash.
    System::Call 'oleaut32::LHashValOfNameSys(i 1, i 0x800, w "${PROGRAM}") i .r1'
    IntFmt $2 "%08X" $1
    StrCpy $2 "Local\ZPQInstance.$2"
    System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w r2) p .r3'
    ${If} $3 P<> 0
        System::Call 'kernel32::CloseHandle(p r3)'
        StrCpy $WasRunning 1
        DetailPrint "Closing the running Tarvik"
        System::Call 'user32::RegisterWindowMessageW(w "ZPQInstanceNotify") i .r0'
        ; Code 2: save and close.
        System::Call 'user32::SendNotifyMessageW(p 0xFFFF, i r0, p 2, p r1)'
        StrCpy $4 0
        ${Do}
            Sleep 100
            System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w r2) p .r3'
            ${If} $3 P= 0
                ${Break}
            ${EndIf}
            System::Call 'kernel32::CloseHandle(p r3)'
            IntOp $4 $4 + 1
        ${LoopWhile} $4 < 300
    ${EndIf}
FunctionEnd

; Deletes the installed Tarvik.exe. A closing copy lets go of its file a
; moment after its mutex; one that did not close keeps it, and the user is
; asked to end it.
Function ${un}DeleteProgram
    StrCpy $4 0
    ${Do}
        ClearErrors
        Delete "$INSTDIR\${PROGRAM}"
        ${IfNot} ${Errors}
            Return
        ${EndIf}
        IntOp $4 $4 + 1
        ${If} $4 >= 100
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
                "Tarvik is still running and its program file cannot be replaced.$\r$\n$\r$\nEnd it with Exit in the menu of its notification-area icon, then choose Retry." \
                /SD IDCANCEL IDRETRY +2
            Abort "Tarvik is still running."
            StrCpy $4 0
        ${EndIf}
        Sleep 100
    ${Loop}
FunctionEnd

; $0: 1 when the Run value "Tarvik" names this installation's Tarvik.exe,
; quoted or not, with an argument or none, as the program reads it.
Function ${un}RunValueIsOurs
    StrCpy $0 0
    ClearErrors
    ReadRegStr $1 HKCU "${RUN_KEY}" "Tarvik"
    ${IfNot} ${Errors}
        System::Call 'shlwapi::PathRemoveArgsW(w r1r1)'
        System::Call 'shlwapi::PathUnquoteSpacesW(w r1r1)'
        ${If} $1 == "$INSTDIR\${PROGRAM}"
            StrCpy $0 1
        ${EndIf}
    ${EndIf}
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

!macro INSTALL_PROGRAMS ARCH
    File "${STAGE}/${ARCH}/${PROGRAM}"
    File "${STAGE}/${ARCH}/${CONSOLE_TWIN}"
    File "${STAGE}/${ARCH}/suspend.exe"
    File "${STAGE}/${ARCH}/LICENSE.txt"
    File "${STAGE}/${ARCH}/README.txt"
!macroend

Section "Tarvik" SecProgram
    SectionIn RO
    Call CloseTarvik
    Call DeleteProgram
    SetOutPath "$INSTDIR"
    ; The same names for both: an upgrade replaces the other architecture's files.
    ${If} $Arch == x64
        !insertmacro INSTALL_PROGRAMS x64
    ${Else}
        !insertmacro INSTALL_PROGRAMS x86
    ${EndIf}
    DetailPrint "Installed the $Arch programs"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    CreateShortCut "$SMPROGRAMS\Tarvik.lnk" "$INSTDIR\${PROGRAM}"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tarvik"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tarvik Developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "https://tarvik.example.org/"
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; When Task Manager's record of the Run value says the user turned it off
; (the lowest bit of its first byte), writes it as on, in the form Windows
; writes: 02 and eleven zeros. Not a documented interface; the program reads
; and writes it the same way (settings/run_at_startup.cpp says what is known).
; A missing, unreadable or empty record already lets Windows start it.
Function TurnOnStartupRecord
    System::Alloc 256
    Pop $1
    StrCpy $2 256
    ; HKEY_CURRENT_USER, RRF_RT_REG_BINARY; $2: the buffer's size, then the data's.
    System::Call 'advapi32::RegGetValueW(p 0x80000001, w "${STARTUP_APPROVED_KEY}", w "Tarvik", i 0x8, p 0, p r1, *i r2r2) i .r0'
    ${If} $0 == 0
    ${AndIf} $2 > 0
        System::Call '*$1(&i1 .r3)'
        IntOp $3 $3 & 1
        ${If} $3 == 1
            WriteRegBin HKCU "${STARTUP_APPROVED_KEY}" "Tarvik" 020000000000000000000000
        ${EndIf}
    ${EndIf}
    System::Free $1
FunctionEnd

Section "Start Tarvik when Windows starts" SecAutostart
    ; The very value the program writes: its path, quoted when it holds a
    ; space, and the argument that lets a copy started at sign-in end quietly
    ; beside one that Windows reopened.
    StrCpy $0 "$INSTDIR\${PROGRAM}"
    System::Call 'shlwapi::PathQuoteSpacesW(w r0r0)'
    WriteRegStr HKCU "${RUN_KEY}" "Tarvik" "$0 /signin"
    ; Asked for, it starts again even if it was turned off in Task Manager;
    ; an upgrade that only keeps the choice keeps that too.
    ${If} $KeptStartChoice != 1
        Call TurnOnStartupRecord
    ${EndIf}
SectionEnd

Section "-Finish"
    ${IfNot} ${SectionIsSelected} ${SecAutostart}
        Call RunValueIsOurs
        ${If} $0 == 1
            DeleteRegValue HKCU "${RUN_KEY}" "Tarvik"
        ${EndIf}
    ${EndIf}
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    ; A copy that was running goes on as the new one.
    ${If} $WasRunning == 1
        Exec '"$INSTDIR\${PROGRAM}"'
    ${EndIf}
SectionEnd

; The start choice begins as it stands for this folder, so an upgrade keeps
; it; /AUTOSTART selects it. $KeptStartChoice: 1 when it is selected only
; because it stands.
Function SelectAutostart
    Call RunValueIsOurs
    StrCpy $KeptStartChoice $0
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/AUTOSTART" $2
    ${IfNot} ${Errors}
        StrCpy $0 1
        StrCpy $KeptStartChoice 0
    ${EndIf}
    ${If} $0 == 1
        !insertmacro SelectSection ${SecAutostart}
    ${Else}
        !insertmacro UnselectSection ${SecAutostart}
    ${EndIf}
FunctionEnd

; The 64-bit programs where Windows runs x64 programs natively; the 32-bit
; ones elsewhere, ARM64 included (x64 programs need Windows 11's emulation
; there; 32-bit ones run on every version).
;
; No redirection is switched off: of the paths written here, only a system
; folder (%windir%\System32) would be redirected for this 32-bit process,
; and a per-user installation writes none; the registry keys are all under
; HKCU\Software, which the 32- and 64-bit views share. Left on, redirection
; also keeps the libraries that System::Call loads 32-bit.
Function ChooseArchitecture
    ${If} ${RunningX64}
    ${AndIfNot} ${IsNativeARM64}
        StrCpy $Arch x64
    ${Else}
        StrCpy $Arch x86
    ${EndIf}
FunctionEnd

Function .onInit
    SetShellVarContext current
    StrCpy $WasRunning 0
    Call ChooseArchitecture
    Call SelectAutostart
FunctionEnd

Function DirectoryLeave
    Call SelectAutostart
FunctionEnd

; Tarvik already started again after an upgrade: do not start a second one.
Function FinishShow
    ${If} $WasRunning == 1
        ${NSD_Uncheck} $mui.FinishPage.Run
    ${EndIf}
FunctionEnd

Function un.onInit
    SetShellVarContext current
    StrCpy $RemoveData 0
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/REMOVEDATA" $2
    ${IfNot} ${Errors}
        StrCpy $RemoveData 1
    ${EndIf}
FunctionEnd

Function un.ConfirmPage
    !insertmacro MUI_HEADER_TEXT "Uninstall Tarvik" "Remove Tarvik from your account."
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateLabel} 0 0 100% 48u "Tarvik will be removed from $INSTDIR; a running Tarvik is closed first.$\r$\n$\r$\nYour settings and activity log stay in ${DATA_FOLDER} unless you tick the box below."
    Pop $0
    ${NSD_CreateCheckbox} 0 60u 100% 12u "Also remove my settings and activity log"
    Pop $RemoveDataBox
    ${If} $RemoveData == 1
        ${NSD_Check} $RemoveDataBox
    ${EndIf}
    GetDlgItem $0 $HWNDPARENT 1
    SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^UninstallBtn)"
    nsDialogs::Show
FunctionEnd

Function un.ConfirmLeave
    ${NSD_GetState} $RemoveDataBox $0
    ${If} $0 == ${BST_CHECKED}
        StrCpy $RemoveData 1
    ${Else}
        StrCpy $RemoveData 0
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Call un.CloseTarvik
    Call un.DeleteProgram
    Delete "$INSTDIR\${CONSOLE_TWIN}"
    Delete "$INSTDIR\suspend.exe"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Tarvik.lnk"
    ; A value that names another copy is that copy's.
    Call un.RunValueIsOurs
    ${If} $0 == 1
        DeleteRegValue HKCU "${RUN_KEY}" "Tarvik"
    ${EndIf}
    ${If} $RemoveData == 1
        RMDir /r "${DATA_FOLDER}"
        RMDir "${DATA_COMPANY}"
    ${EndIf}
    ; Last: the entry's absence tells that the uninstall has finished.
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

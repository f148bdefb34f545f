; The per-user installer of Korvane. scripts/package-release compiles it with
;   VERSION    the program's version (major.minor.patch)
;   PUBLISHER  the name korvane.exe's properties give as its company
;   STAGE      the folder that holds the files to install
;   OUTFILE    the installer to write
;   SIGNER     (when signing) the command that signs a program in place,
;              given the file and SIGN_TIME
; It asks for no administrator rights: everything goes into the user's own
; profile and registry, and the uninstaller takes out exactly that.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

; The uninstaller is signed before it is packed into the installer, and the
; installer once written.
!ifdef SIGNER
  !uninstfinalize '"${SIGNER}" "%1" ${SIGN_TIME}' = 0
  !finalize '"${SIGNER}" "%1" ${SIGN_TIME}' = 0
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"
; Where the program keeps what it remembers (the last port it opened).
!define SETTINGS_KEY "Software\Korvane"
; Korvane holds this mutex while it runs, in the user's session.
!define RUNNING_MUTEX "Local\Korvane.Running"

Name "Korvane"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Korvane"
; An upgrade goes where the earlier version was installed.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Korvane ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "Korvane"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Korvane ${VERSION} setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WinVer.nsh"

!define MUI_ICON "${STAGE}/korvane.ico"
!define MUI_UNICON "${STAGE}/korvane.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\korvane.exe"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first is used where the system's language is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

LangString OldWindows ${LANG_ENGLISH} "Korvane needs Windows 7 or later."
LangString OldWindows ${LANG_RUSSIAN} "Для Korvane нужна Windows 7 или новее."
LangString CloseKorvane ${LANG_ENGLISH} "Korvane is running. Close it, then press Retry."
LangString CloseKorvane ${LANG_RUSSIAN} "Korvane запущена. Закройте её и нажмите «Повтор»."

Function .onInit
  SetShellVarContext current
  ${IfNot} ${AtLeastWin7}
    MessageBox MB_OK|MB_ICONSTOP "$(OldWindows)" /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

; Nothing is changed while Korvane runs: neither while its mutex exists nor
; while $INSTDIR\korvane.exe cannot be opened for writing and deleting (a
; version older than the mutex, or one started after the mutex was looked
; for). Interactively the user is asked to close it; a silent run, or a
; cancelled one, ends with exit code 2.
!macro RefuseWhileRunning un
Function ${un}RefuseWhileRunning
  check:
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p.r0 ?e'
  Pop $1
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    Goto running
  ${EndIf}
  ; ERROR_ACCESS_DENIED: it exists all the same.
  StrCmp $1 5 running
  IfFileExists "$INSTDIR\korvane.exe" 0 not_running
  ; GENERIC_WRITE | DELETE, no sharing, OPEN_EXISTING.
  System::Call 'kernel32::CreateFileW(w "$INSTDIR\korvane.exe", i 0x40010000, i 0, p 0, i 3, i 0, p 0) p.r0'
  ${If} $0 P<> -1
    System::Call 'kernel32::CloseHandle(p r0)'
    Goto not_running
  ${EndIf}

  running:
  IfSilent refuse
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(CloseKorvane)" IDRETRY check
  refuse:
  SetErrorLevel 2
  Quit
  not_running:
FunctionEnd
!macroend
!insertmacro RefuseWhileRunning ""
!insertmacro RefuseWhileRunning "un."

Section "Korvane"
  Call RefuseWhileRunning
  ; The per-user programs folder belongs to the system where it exists; the
  ; uninstaller takes it out only when an install of Korvane made it.
  IfFileExists "$LOCALAPPDATA\Programs\*.*" programs_folder_known
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "ProgramsFolderMade" 1
  programs_folder_known:
  SetOutPath "$INSTDIR"
  File "${STAGE}/korvane.exe"
  File "${STAGE}/README-ru.txt"
  File "${STAGE}/README-en.txt"
  File "${STAGE}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Korvane.lnk" "$INSTDIR\korvane.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Korvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvane.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; The files' size in KiB, as the installer knows it (the uninstaller aside).
  SectionGetSize 0 $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Call un.RefuseWhileRunning
  Delete "$INSTDIR\korvane.exe"
  Delete "$INSTDIR\README-ru.txt"
  Delete "$INSTDIR\README-en.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: files the user put there stay, and so does the folder.
  RMDir "$INSTDIR"
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "ProgramsFolderMade"
  StrCmp $0 1 0 programs_folder_kept
    RMDir "$LOCALAPPDATA\Programs"
  programs_folder_kept:

  Delete "$SMPROGRAMS\Korvane.lnk"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Every setting Korvane remembers.
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

; The per-user installer of Korvane. scripts/package-release compiles it with
;   VERSION  the program's version (major.minor.patch)
;   STAGE    the folder that holds the files to install
;   OUTFILE  the installer to write
; It asks for no administrator rights: everything goes into the user's own
; profile and registry, and the uninstaller takes out exactly that.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"
; Where the program keeps the last port it opened.
!define SETTINGS_KEY "Software\Korvane"

Name "Korvane"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Korvane"
; An upgrade goes where the earlier version was installed.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Korvane ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "Korvane"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Korvane ${VERSION} setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 the Korvane authors"

!include "MUI2.nsh"

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

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Korvane"
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
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "the Korvane authors"
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
  DeleteRegValue HKCU "${SETTINGS_KEY}" "Port"
  DeleteRegKey /ifempty HKCU "${SETTINGS_KEY}"
SectionEnd

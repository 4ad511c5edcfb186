; The client's setup program. scripts/release compiles it:
;   makensis -DSTAGE=<folder> -DOUTFILE=<setup.exe> [-DTWIN] TovlaneSetup.nsi
; STAGE holds the release build's TovlaneClient.exe, its two data files and TovlaneClient.ico; the version is
; read from the executable's version resource, so that the setup always carries the version it installs.
; TWIN makes the x86_64 setup that the tests run where 32-bit code cannot; the i686 setup is what ships.
;
; Exit codes (also with /S): 0 installed; 1 cancelled by the user; 2 the files could not be written (nothing of
; the earlier installation was replaced); 3 a newer version is installed; 4 Tovlane is still running; 5 another
; setup is running. Every outcome is also a line in %TEMP%\TovlaneSetup.log.
;
; Files are replaced in two steps: all of them are first written beside the old ones under a ".new" name, and
; only when every one is there are they renamed into place, so that a full disk or an unwritable folder leaves
; the earlier installation as it was. "TovlaneClient.exe.ini" beside the executable and the user's values under
; HKCU\Software\Tovlane are never touched, neither here nor by the uninstaller.

!ifndef STAGE | OUTFILE
  !error "STAGE and OUTFILE must be defined"
!endif
!ifdef TWIN
  Target amd64-unicode
!else
  Target x86-unicode
!endif

!getdllversion "${STAGE}\TovlaneClient.exe" CLIENT_VERSION_
!define VERSION "${CLIENT_VERSION_1}.${CLIENT_VERSION_2}.${CLIENT_VERSION_3}.${CLIENT_VERSION_4}"
!define PRODUCT "Tovlane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tovlane"
!define CLIENT_EXE "TovlaneClient.exe"
; How long a running client is given to end before the user is asked to close it (it ends by itself right after
; the update flow has started this setup).
!define CLIENT_END_WAIT_MS 5000
!define CLIENT_END_POLL_MS 250

!define ERR_CANCELLED 1
!define ERR_FILES 2
!define ERR_NEWER_INSTALLED 3
!define ERR_CLIENT_RUNNING 4
!define ERR_SETUP_RUNNING 5

SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WordFunc.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Tovlane"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "OriginalFilename" "TovlaneSetup-${VERSION}.exe"
VIAddVersionKey /LANG=2052 "LegalCopyright" "© ${PRODUCT}"

!define MUI_ICON "${STAGE}\TovlaneClient.ico"
!define MUI_UNICON "${STAGE}\TovlaneClient.ico"
!define MUI_ABORTWARNING
; The progress page stays until the user goes on, with the details of what was done.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!define MUI_CUSTOMFUNCTION_ABORT LogUserAbort
!define MUI_CUSTOMFUNCTION_UNABORT un.LogUserAbort
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Var InstalledVersion

; Appends a line to the setup's log in the temporary folder and to the details list.
!macro DEFINE_LOG PREFIX
  Function ${PREFIX}Log
    Exch $0
    Push $1
    DetailPrint "$0"
    FileOpen $1 "$TEMP\TovlaneSetup.log" a
    ${IfNot} ${Errors}
      FileSeek $1 0 END
      FileWrite $1 "${PREFIX}TovlaneSetup ${VERSION}: $0$\r$\n"
      FileClose $1
    ${EndIf}
    Pop $1
    Pop $0
  FunctionEnd
!macroend
!insertmacro DEFINE_LOG ""
!insertmacro DEFINE_LOG "un."
!define Log "!insertmacro CallLog"
!macro CallLog TEXT
  Push "${TEXT}"
  !ifdef __UNINSTALL__
    Call un.Log
  !else
    Call Log
  !endif
!macroend

; Ends the setup with an exit code and a log line, after a message that a silent run does not show.
!macro FAIL CODE LOG_TEXT TEXT
  ${Log} "failed: ${LOG_TEXT}"
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  SetErrorLevel ${CODE}
  Quit
!macroend

; A running executable cannot be opened for writing. The client is given a few seconds to end, then the user is
; asked to close it; a silent run, or a user who cancels, ends with ERR_CLIENT_RUNNING before anything changes.
!macro DEFINE_WAIT_FOR_CLIENT PREFIX
  Function ${PREFIX}WaitForClient
    Push $0
    Push $1
    StrCpy $1 0
    ${Do}
      ${IfNot} ${FileExists} "$INSTDIR\${CLIENT_EXE}"
        ${Break}
      ${EndIf}
      ClearErrors
      FileOpen $0 "$INSTDIR\${CLIENT_EXE}" a
      ${IfNot} ${Errors}
        FileClose $0
        ${Break}
      ${EndIf}
      ${If} $1 = 0
        ${Log} "waiting for Tovlane to end"
      ${EndIf}
      ${If} $1 >= ${CLIENT_END_WAIT_MS}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Tovlane 正在运行。请先关闭 Tovlane，然后点击“重试”。" /SD IDCANCEL IDRETRY retry
        !insertmacro FAIL ${ERR_CLIENT_RUNNING} "Tovlane is still running" "Tovlane 仍在运行，未做任何更改。"
        retry:
        StrCpy $1 0
      ${EndIf}
      Sleep ${CLIENT_END_POLL_MS}
      IntOp $1 $1 + ${CLIENT_END_POLL_MS}
    ${Loop}
    Pop $1
    Pop $0
  FunctionEnd
!macroend
!insertmacro DEFINE_WAIT_FOR_CLIENT ""
!insertmacro DEFINE_WAIT_FOR_CLIENT "un."

!macro STAGE_FILE NAME
  File "/oname=${NAME}.new" "${STAGE}\${NAME}"
!macroend

; Renames one staged file into place; the old file is moved aside first and comes back if that fails.
!macro PUT_IN_PLACE NAME
  Delete "$INSTDIR\${NAME}.old"
  ClearErrors
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}.old"
  ${EndIf}
  Rename "$INSTDIR\${NAME}.new" "$INSTDIR\${NAME}"
  ${If} ${Errors}
    Rename "$INSTDIR\${NAME}.old" "$INSTDIR\${NAME}"
    Call RemoveStagedFiles
    !insertmacro FAIL ${ERR_FILES} "cannot replace $INSTDIR\${NAME}" "无法替换 $INSTDIR\${NAME}。"
  ${EndIf}
  Delete "$INSTDIR\${NAME}.old"
!macroend

Function RemoveStagedFiles
  Delete "$INSTDIR\${CLIENT_EXE}.new"
  Delete "$INSTDIR\TemplateAdpcm.wav.new"
  Delete "$INSTDIR\TestSound.wav.new"
FunctionEnd

Function .onInit
  ; One setup at a time: a second one would write the same files.
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "TovlaneSetup") p .r0 ?e'
  Pop $1
  ${If} $1 = 183
    !insertmacro FAIL ${ERR_SETUP_RUNNING} "another setup is running" "另一个 Tovlane 安装程序正在运行。"
  ${EndIf}
  ${Log} "started: $CMDLINE"
  ReadRegStr $InstalledVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $InstalledVersion != ""
    ${VersionCompare} "${VERSION}" "$InstalledVersion" $0
    ${If} $0 = 2
      MessageBox MB_YESNO|MB_ICONQUESTION "此电脑上已安装较新的 Tovlane $InstalledVersion。确实要换成较旧的 ${VERSION} 吗？" /SD IDNO IDYES downgrade
      !insertmacro FAIL ${ERR_NEWER_INSTALLED} "a newer version $InstalledVersion is installed" "已安装较新的 Tovlane $InstalledVersion，未做任何更改。"
      downgrade:
    ${EndIf}
  ${EndIf}
FunctionEnd

; A cancel ends the setup with exit code 1 (ERR_CANCELLED), NSIS's own.
Function LogUserAbort
  ${Log} "cancelled by the user"
FunctionEnd

Function .onInstFailed
  Call RemoveStagedFiles
  ${Log} "failed: the files could not be written to $INSTDIR"
  SetErrorLevel ${ERR_FILES}
FunctionEnd

Section "Tovlane"
  Call WaitForClient
  SetOutPath "$INSTDIR"
  ; A file that cannot be written aborts the section (silently too), and .onInstFailed removes what was staged.
  SetOverwrite on
  !insertmacro STAGE_FILE "${CLIENT_EXE}"
  !insertmacro STAGE_FILE "TemplateAdpcm.wav"
  !insertmacro STAGE_FILE "TestSound.wav"
  ClearErrors
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${If} ${Errors}
    Call RemoveStagedFiles
    !insertmacro FAIL ${ERR_FILES} "cannot write $INSTDIR\Uninstall.exe" "无法写入 $INSTDIR\Uninstall.exe。"
  ${EndIf}
  !insertmacro PUT_IN_PLACE "TemplateAdpcm.wav"
  !insertmacro PUT_IN_PLACE "TestSound.wav"
  !insertmacro PUT_IN_PLACE "${CLIENT_EXE}"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Tovlane.lnk" "$INSTDIR\${CLIENT_EXE}" "" "$INSTDIR\${CLIENT_EXE}" 0
  CreateShortcut "$DESKTOP\Tovlane.lnk" "$INSTDIR\${CLIENT_EXE}" "" "$INSTDIR\${CLIENT_EXE}" 0

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${CLIENT_EXE},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${Log} "installed into $INSTDIR"
SectionEnd

Function un.LogUserAbort
  ${Log} "uninstall cancelled by the user"
FunctionEnd

Section "Uninstall"
  Call un.WaitForClient
  Delete "$INSTDIR\${CLIENT_EXE}"
  Delete "$INSTDIR\TemplateAdpcm.wav"
  Delete "$INSTDIR\TestSound.wav"
  Delete "$INSTDIR\Uninstall.exe"
  ; The folder stays when someone's TovlaneClient.exe.ini is still in it.
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Tovlane.lnk"
  Delete "$DESKTOP\Tovlane.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${Log} "uninstalled from $INSTDIR"
SectionEnd

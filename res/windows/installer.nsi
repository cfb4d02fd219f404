; The Windows installer: the same folder as the zip, put in the user's own
; profile (no administrator needed), with a Start-menu entry and an
; uninstaller that takes away what it put there and what the program made
; there itself.
;   makensis -INPUTCHARSET UTF8 -DFOLDER=... -DFILE_LIST=... -DICON=... -DVERSION=... -DOUTFILE=... installer.nsi
; A 64-bit installer for the 64-bit program.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define NAME "VomraServer"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"

Name "Vomra共享服务器 ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\${NAME}"
Icon "${ICON}"
UninstallIcon "${ICON}"

!include "MUI2.nsh"
!define MUI_FINISHPAGE_RUN "$INSTDIR\VomraServer.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Section "VomraServer"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${FOLDER}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Vomra共享服务器.lnk" "$INSTDIR\VomraServer.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Vomra共享服务器"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\VomraServer.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ; What the program made beside itself: its settings, the nginx.exe it
  ; placed, the configuration, the password file, and what nginx wrote.
  Delete "$INSTDIR\vomra.data"
  Delete "$INSTDIR\vomra.data.tmp"
  Delete "$INSTDIR\vomrixserver\server\nginx.exe"
  Delete "$INSTDIR\vomrixserver\server\nginx.exe.new"
  Delete "$INSTDIR\vomrixserver\server\.htpasswd"
  Delete "$INSTDIR\vomrixserver\server\.htpasswd.tmp"
  Delete "$INSTDIR\vomrixserver\server\conf\nginx.conf"
  Delete "$INSTDIR\vomrixserver\server\conf\denied_links.conf"
  RMDir /r "$INSTDIR\vomrixserver\server\logs"
  RMDir /r "$INSTDIR\vomrixserver\server\temp"
  ; What the installer put there, files first, then folders that are empty.
  !include "${FILE_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Vomra共享服务器.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

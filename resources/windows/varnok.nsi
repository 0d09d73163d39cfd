; Varnok's installer for 64-bit Windows, built by makensis from the files
; cmake/package_windows_script.cmake lays out in one folder:
;   makensis -DVERSION=0.6.0 -DFILES=folder -DICON=app_icon.ico
;            -DOUTFILE=setup.exe varnok.nsi
;
; It installs for the current user, without administrator rights, under
; %LOCALAPPDATA%\Programs\Varnok; run elevated (or with /ALLUSERS) it installs
; for all users under Program Files. /CURRENTUSER keeps to the current user
; even when elevated. /PATH=yes puts kzf.exe's folder on the user's PATH (the
; check box on the components page, off by default). Everything it adds is
; listed below once for installing and once for removing, in the same order.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestSupportedOS all
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include StrFunc.nsh
!include WinMessages.nsh
${StrStr}
${UnStrRep}

!define PRODUCT "Varnok"
!define PUBLISHER "the Varnok authors"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnok"
!define PROGID "Varnok.Archive"
!define USER_ENVIRONMENT "Environment"
!define SYSTEM_ENVIRONMENT "System\CurrentControlSet\Control\Session Manager\Environment"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

; 1 when installed for all users (HKLM, Program Files), 0 for this user;
; SHCTX, the registry root that follows SetShellVarContext, says which.
Var AllUsers
; The key under SHCTX that holds the PATH of the chosen install.
Var EnvironmentKey

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\varnok.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Varnok"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${FILES}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Points SHCTX, the shell's folders and $EnvironmentKey at the install
; $AllUsers chose.
!macro UseInstallContext un
Function ${un}UseInstallContext
  ${If} $AllUsers == 1
    SetShellVarContext all
    StrCpy $EnvironmentKey "${SYSTEM_ENVIRONMENT}"
  ${Else}
    SetShellVarContext current
    StrCpy $EnvironmentKey "${USER_ENVIRONMENT}"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro UseInstallContext ""
!insertmacro UseInstallContext "un."

Section "Varnok and kzf" SectionPrograms
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${FILES}\varnok.exe"
  File "${FILES}\kzf.exe"
  File "${FILES}\README.txt"
  File "${FILES}\LICENSE.txt"
  File "${FILES}\format.md"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\varnok.exe"

  ; .kzf files open in Varnok's archive window and show its icon.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "Varnok archive"
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "FriendlyTypeName" "Varnok archive"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\varnok.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\varnok.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\.kzf" "" "${PROGID}"
  WriteRegStr SHCTX "Software\Classes\.kzf\OpenWithProgids" "${PROGID}" ""
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  ${GetSize} "$INSTDIR" "/S=0K" $R0 $R1 $R2
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\varnok.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$R0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The install folder at the end of the PATH of the chosen install, unless it
; is there already. A PATH too long for the installer's strings is left as
; it is, rather than cut short.
Section /o "Add kzf to the PATH" SectionPath
  ReadRegStr $R0 SHCTX $EnvironmentKey "Path"
  StrLen $R1 $R0
  IntOp $R1 $R1 + 2
  ${If} $R1 >= ${NSIS_MAX_STRLEN}
    DetailPrint "PATH is too long to change; add $INSTDIR to it by hand"
    Return
  ${EndIf}
  ${StrStr} $R1 ";$R0;" ";$INSTDIR;"
  ${If} $R1 != ""
    Return
  ${EndIf}
  ${If} $R0 == ""
    StrCpy $R0 "$INSTDIR"
  ${Else}
    StrCpy $R0 "$R0;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr SHCTX $EnvironmentKey "Path" "$R0"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "AddedToPath" 1
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=500
SectionEnd

; Chooses the install from the account and the command line (after the
; sections, whose numbers it uses).
Function .onInit
  ${GetParameters} $R0
  StrCpy $AllUsers 0
  UserInfo::GetAccountType
  Pop $R1
  ${If} $R1 == "Admin"
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}
  Call UseInstallContext
  ${If} $AllUsers == 1
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/PATH=" $R1
  ${If} $R1 == "yes"
    SectionSetFlags ${SectionPath} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

; The uninstaller belongs to the all-users install when that install's
; entry names its folder.
Function un.onInit
  StrCpy $AllUsers 0
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == $INSTDIR
    StrCpy $AllUsers 1
  ${EndIf}
  Call un.UseInstallContext
FunctionEnd

; Removes the install folder from a PATH (in $R0) where it was put.
Function un.WithoutInstallFolder
  StrCpy $R0 ";$R0;"
  ${UnStrRep} $R0 $R0 ";$INSTDIR;" ";"
  StrCpy $R1 $R0 1 -1
  ${If} $R1 == ";"
    StrCpy $R0 $R0 -1
  ${EndIf}
  StrCpy $R0 $R0 "" 1
FunctionEnd

Section "Uninstall"
  ReadRegDWORD $R2 SHCTX "${UNINSTALL_KEY}" "AddedToPath"
  ReadRegStr $R0 SHCTX $EnvironmentKey "Path"
  StrLen $R1 $R0
  IntOp $R1 $R1 + 2
  ${If} $R2 == 1
  ${AndIf} $R1 >= ${NSIS_MAX_STRLEN}
    ; Read cut short: written back, it would lose the rest.
    DetailPrint "PATH is too long to change; remove $INSTDIR from it by hand"
  ${ElseIf} $R2 == 1
    Call un.WithoutInstallFolder
    ${If} $R0 == ""
      DeleteRegValue SHCTX $EnvironmentKey "Path"
    ${Else}
      WriteRegExpandStr SHCTX $EnvironmentKey "Path" "$R0"
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=500
  ${EndIf}

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegValue SHCTX "Software\Classes\.kzf\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.kzf\OpenWithProgids"
  ReadRegStr $R0 SHCTX "Software\Classes\.kzf" ""
  ${If} $R0 == "${PROGID}"
    DeleteRegValue SHCTX "Software\Classes\.kzf" ""
  ${EndIf}
  DeleteRegKey /ifempty SHCTX "Software\Classes\.kzf"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\varnok.exe"
  Delete "$INSTDIR\kzf.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\format.md"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

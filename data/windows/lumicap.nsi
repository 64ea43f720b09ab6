; Lumicap's Windows installer, made by scripts/package-windows:
;   makensis -DVERSION=1.0.0.1 -DSTAGE=<folder of the programs> -DOUTFILE=<setup.exe>
;            -DFILES=<install list> -DUNFILES=<uninstall list> lumicap.nsi
; The two lists are written from the folder, so the uninstaller removes
; exactly the files the installer put down.
;
; For the current user without administrator rights, into
; %LOCALAPPDATA%\Programs\Lumicap; run elevated, "all users" may be chosen
; (Program Files, HKLM). /S installs silently with the defaults; /ALLUSERS
; (elevated) and /TAGSONPATH change those defaults.
Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh

!define PRODUCT "Lumicap"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumicap"
!define SETTINGS_KEY "Software\Kestrovia\lumicap"
!define PROGID "Lumicap.Image"
!define USER_ENVIRONMENT "Environment"
!define SYSTEM_ENVIRONMENT "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "CompanyName" "Kestrovia"
VIAddVersionKey "LegalCopyright" "Kestrovia"

Var allUsers

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE componentsLeave
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\lumicap.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The picture types offered "Open with" Lumicap; the default program stays.
!macro forEachType MACRO
  !insertmacro ${MACRO} ".jpg"
  !insertmacro ${MACRO} ".jpeg"
  !insertmacro ${MACRO} ".tif"
  !insertmacro ${MACRO} ".tiff"
  !insertmacro ${MACRO} ".png"
  !insertmacro ${MACRO} ".webp"
  !insertmacro ${MACRO} ".heic"
  !insertmacro ${MACRO} ".heif"
  !insertmacro ${MACRO} ".avif"
  !insertmacro ${MACRO} ".dng"
  !insertmacro ${MACRO} ".cr2"
  !insertmacro ${MACRO} ".cr3"
  !insertmacro ${MACRO} ".nef"
  !insertmacro ${MACRO} ".nrw"
  !insertmacro ${MACRO} ".arw"
  !insertmacro ${MACRO} ".sr2"
  !insertmacro ${MACRO} ".orf"
  !insertmacro ${MACRO} ".rw2"
  !insertmacro ${MACRO} ".pef"
  !insertmacro ${MACRO} ".raf"
  !insertmacro ${MACRO} ".srw"
  !insertmacro ${MACRO} ".3fr"
  !insertmacro ${MACRO} ".iiq"
!macroend
!macro offerType EXT
  WriteRegStr SHCTX "Software\Classes\Applications\lumicap.exe\SupportedTypes" "${EXT}" ""
  WriteRegStr SHCTX "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}" ""
!macroend
!macro withdrawType EXT
  DeleteRegValue SHCTX "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\${EXT}\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\${EXT}"
!macroend

Section "-${PRODUCT}" secProgram
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\lumicap.exe"

  WriteRegStr SHCTX "Software\Classes\Applications\lumicap.exe" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr SHCTX "Software\Classes\Applications\lumicap.exe\shell\open\command" "" '"$INSTDIR\lumicap.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "${PRODUCT} picture"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\lumicap.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\lumicap.exe" "%1"'
  !insertmacro forEachType offerType
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\lumicap.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Kestrovia"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Install for all users" secAllUsers
SectionEnd

; PATH is read and written whole, and NSIS strings hold ${NSIS_MAX_STRLEN}
; characters: readPath puts PATH in $0 and says in $9 whether it is "ok",
; "absent" or "long" (longer than that, or not text), so that a PATH is
; never written back cut.
!macro readPathFunction PREFIX
Function ${PREFIX}readPath
  ClearErrors
  ${If} $allUsers == 1
    ReadRegStr $0 HKLM "${SYSTEM_ENVIRONMENT}" "Path"
  ${Else}
    ReadRegStr $0 HKCU "${USER_ENVIRONMENT}" "Path"
  ${EndIf}
  StrCpy $9 "ok"
  ${If} ${Errors}
    StrCpy $9 "absent"
    StrCpy $8 0
    ${Do}
      ${If} $allUsers == 1
        EnumRegValue $7 HKLM "${SYSTEM_ENVIRONMENT}" $8
      ${Else}
        EnumRegValue $7 HKCU "${USER_ENVIRONMENT}" $8
      ${EndIf}
      ${IfThen} $7 == "" ${|} ${ExitDo} ${|}
      ${IfThen} $7 == "Path" ${|} StrCpy $9 "long" ${|}
      IntOp $8 $8 + 1
    ${Loop}
  ${EndIf}
FunctionEnd

Function ${PREFIX}writePath
  ${If} $allUsers == 1
    WriteRegExpandStr HKLM "${SYSTEM_ENVIRONMENT}" "Path" "$0"
  ${Else}
    WriteRegExpandStr HKCU "${USER_ENVIRONMENT}" "Path" "$0"
  ${EndIf}
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=2000
FunctionEnd
!macroend
!insertmacro readPathFunction ""
!insertmacro readPathFunction "un."

Section /o "Add lumicap-tags to the PATH" secPath
  Call readPath
  StrLen $1 "$0;$INSTDIR"
  ${If} $9 == "long"
  ${OrIf} $1 >= ${NSIS_MAX_STRLEN}
    DetailPrint "PATH is too long to change here; add $INSTDIR to it by hand."
    Return
  ${EndIf}
  ${If} $9 == "absent"
    StrCpy $0 "$INSTDIR"
  ${Else}
    ${WordAdd} "$0" ";" "+$INSTDIR" $0
  ${EndIf}
  Call writePath
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "PathEntry" "$INSTDIR"
SectionEnd

Function .onInit
  StrCpy $allUsers 0
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    ; Not elevated: only the current user.
    SectionSetText ${secAllUsers} ""
  ${Else}
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} "$1" "/ALLUSERS" $2
    ${IfNot} ${Errors}
      !insertmacro SelectSection ${secAllUsers}
    ${EndIf}
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} "$1" "/TAGSONPATH" $2
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${secPath}
  ${EndIf}
  Call applyInstallMode
FunctionEnd

Function componentsLeave
  Call applyInstallMode
FunctionEnd

; Where and for whom: the current user's folders and HKCU, or Program
; Files and HKLM.
Function applyInstallMode
  ${If} ${SectionIsSelected} ${secAllUsers}
    StrCpy $allUsers 1
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    StrCpy $allUsers 0
    SetShellVarContext current
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
  ${EndIf}
FunctionEnd

Section "un.${PRODUCT}" secUnProgram
  SectionIn RO
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "PathEntry"
  ${If} $1 != ""
    Call un.readPath
    ${If} $9 == "ok"
      ${un.WordAdd} "$0" ";" "-$1" $0
      Call un.writePath
    ${EndIf}
  ${EndIf}

  !insertmacro forEachType withdrawType
  DeleteRegKey SHCTX "Software\Classes\Applications\lumicap.exe"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Remove my Lumicap settings" secUnSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Kestrovia"
SectionEnd

; An installation for all users is the one HKLM's entry points at.
Function un.onInit
  StrCpy $allUsers 0
  SetShellVarContext current
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $allUsers 1
    SetShellVarContext all
  ${EndIf}
FunctionEnd

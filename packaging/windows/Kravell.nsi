; Kravell's Windows setup program, built on Linux with NSIS (makensis) by scripts/build-windows.sh:
;   makensis -DVERSION=1.2.3 "-DCOPYRIGHT=..." -DSTAGING=<package folder> -DICON=<kravell.ico>
;            -DSIDEBAR=<164 x 314 BMP> -DOUTFILE=<setup.exe> Kravell.nsi
; The package folder holds Kravell.vst3, "VST3 Presets", LICENSE.txt and THIRD-PARTY-NOTICES.txt.
;
; It installs the bundle into the 64-bit common VST3 folder, where every host looks, and keeps
; its uninstaller and the licences outside the bundle (hosts scan everything inside it), and the
; factory presets as VST3 preset files into the all-users factory preset folder, where hosts'
; preset browsers look (%PROGRAMDATA%\VST3 Presets\Dornel Audio\Kravell). It
; replaces an installed bundle whole, or not at all: while a program holds the plug-in open it
; says so and offers to retry. The uninstaller keeps the user's presets.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Kravell"
!define COMPANY "Dornel Audio"
!define BUNDLE "Kravell.vst3"
!define MODULE "Contents\x86_64-win\Kravell.vst3"
!define UNINSTALLER "Uninstall Kravell.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kravell"
!define PRESETS "DornelAudio\Kravell\version_${VERSION}\Presets"
!define FACTORY_PRESETS "VST3 Presets\${COMPANY}\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${COMPANY}\${PRODUCT}"
BrandingText "${COMPANY}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

Var failed

;--------------------------------------------------------------------------------------------
; Pages
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDEBAR}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${SIDEBAR}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TITLE "Welcome to ${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "This installs ${PRODUCT}, the transient shaper by ${COMPANY}, as a VST3 plug-in for 64-bit hosts.$\r$\n$\r$\nClose your DAW before you go on: a plug-in that is in use cannot be replaced.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME

!define MUI_LICENSEPAGE_TEXT_TOP "${PRODUCT} is free software under the GNU Affero General Public License, version 3 or later."
!define MUI_LICENSEPAGE_TEXT_BOTTOM "The licence lets you use ${PRODUCT} for any purpose. Click I Agree to install it."
!insertmacro MUI_PAGE_LICENSE "${STAGING}\LICENSE.txt"

!define MUI_COMPONENTSPAGE_TEXT_TOP "The plug-in goes where every VST3 host looks: $COMMONFILES64\VST3\${BUNDLE}.$\r$\nIts uninstaller and licences go into $INSTDIR."
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_COMPONENTS

!insertmacro MUI_PAGE_INSTFILES

!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipAfterFailure
!define MUI_FINISHPAGE_TITLE "${PRODUCT} ${VERSION} is installed"
!define MUI_FINISHPAGE_TEXT "${PRODUCT} is in $COMMONFILES64\VST3\${BUNDLE}.$\r$\n$\r$\nRescan plug-ins in your DAW: ${PRODUCT} appears under Fx / Dynamics from ${COMPANY}.$\r$\n$\r$\nTo remove it, use Apps && features (Installed apps) in the Windows settings."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE un.SkipAfterFailure
!define MUI_FINISHPAGE_TITLE "${PRODUCT} is removed"
!define MUI_FINISHPAGE_TEXT "${PRODUCT} has been removed from this computer.$\r$\n$\r$\nYour presets were kept, in $APPDATA\${PRESETS}. Delete that folder if you no longer want them."
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

;--------------------------------------------------------------------------------------------
Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs a 64-bit Windows." /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
    SetRegView 64
    SetShellVarContext current
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext current
FunctionEnd

Function SkipAfterFailure
    ${If} $failed == 1
        Abort
    ${EndIf}
FunctionEnd

Function un.SkipAfterFailure
    ${If} $failed == 1
        Abort
    ${EndIf}
FunctionEnd

; Waits until the installed module can be written, or gives up: a host that has the plug-in
; loaded keeps the file open, and a bundle deleted half-way would leave neither version.
!macro WAIT_UNTIL_REPLACEABLE un
Function ${un}WaitUntilReplaceable
    retry:
        IfFileExists "$COMMONFILES64\VST3\${BUNDLE}\${MODULE}" 0 free
        ClearErrors
        FileOpen $0 "$COMMONFILES64\VST3\${BUNDLE}\${MODULE}" a
        IfErrors inUse
        FileClose $0
        Goto free
    inUse:
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is in use: $COMMONFILES64\VST3\${BUNDLE} cannot be replaced while a program has the plug-in open.$\r$\n$\r$\nClose your DAW (and any other program using ${PRODUCT}), then click Retry." /SD IDCANCEL IDRETRY retry
        StrCpy $failed 1
        DetailPrint "${PRODUCT} is in use; nothing was changed."
        SetErrorLevel 2
        Abort "${PRODUCT} is in use; nothing was changed. Close your DAW and run this again."
    free:
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_REPLACEABLE ""
!insertmacro WAIT_UNTIL_REPLACEABLE "un."

;--------------------------------------------------------------------------------------------
Section "VST3 plug-in (Common Files\VST3)" SectionPlugin
    SectionIn RO
    Call WaitUntilReplaceable

    ; The whole bundle is replaced: nothing of an earlier version stays inside it.
    RMDir /r "$COMMONFILES64\VST3\${BUNDLE}"
    ${If} ${FileExists} "$COMMONFILES64\VST3\${BUNDLE}\*.*"
        StrCpy $failed 1
        MessageBox MB_OK|MB_ICONSTOP "The earlier ${PRODUCT} in $COMMONFILES64\VST3\${BUNDLE} could not be removed. Close your DAW and run this again." /SD IDOK
        SetErrorLevel 2
        Abort "The earlier ${PRODUCT} could not be removed."
    ${EndIf}
    SetOutPath "$COMMONFILES64\VST3\${BUNDLE}"
    ClearErrors
    File /r "${STAGING}\${BUNDLE}\*.*"
    ${If} ${Errors}
        StrCpy $failed 1
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} could not be written to $COMMONFILES64\VST3\${BUNDLE}." /SD IDOK
        SetErrorLevel 2
        Abort "${PRODUCT} could not be written."
    ${EndIf}
SectionEnd

Section "-Factory presets for hosts' preset browsers" SectionFactoryPresets
    ; %PROGRAMDATA%: the all-users application data folder. Replaced whole, so a preset an
    ; update renames or drops does not stay behind.
    SetShellVarContext all
    RMDir /r "$APPDATA\${FACTORY_PRESETS}"
    SetOutPath "$APPDATA\${FACTORY_PRESETS}"
    File "${STAGING}\${FACTORY_PRESETS}\*.vstpreset"
    SetShellVarContext current
SectionEnd

Section "-Uninstaller and licences" SectionUninstaller
    SetOutPath "$INSTDIR"
    File "${STAGING}\LICENSE.txt"
    File "${STAGING}\THIRD-PARTY-NOTICES.txt"
    File "/oname=Kravell.ico" "${ICON}"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    ; Apps & features
    ${GetSize} "$COMMONFILES64\VST3\${BUNDLE}" "/S=0K" $0 $1 $2
    ${GetSize} "$INSTDIR" "/S=0K" $3 $1 $2
    IntOp $0 $0 + $3
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kravell.ico"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SectionPlugin} "${PRODUCT} ${VERSION} into $COMMONFILES64\VST3\${BUNDLE}; its uninstaller and licences into $INSTDIR."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

;--------------------------------------------------------------------------------------------
Section "Uninstall"
    Call un.WaitUntilReplaceable
    RMDir /r "$COMMONFILES64\VST3\${BUNDLE}"
    ${If} ${FileExists} "$COMMONFILES64\VST3\${BUNDLE}\*.*"
        StrCpy $failed 1
        MessageBox MB_OK|MB_ICONSTOP "$COMMONFILES64\VST3\${BUNDLE} could not be removed. Close your DAW and run this again." /SD IDOK
        SetErrorLevel 2
        Abort "${PRODUCT} could not be removed."
    ${EndIf}

    ; The factory preset files are ours; the presets in %APPDATA% are the user's: they stay.
    SetShellVarContext all
    RMDir /r "$APPDATA\${FACTORY_PRESETS}"
    RMDir "$APPDATA\VST3 Presets\${COMPANY}"
    RMDir "$APPDATA\VST3 Presets"
    SetShellVarContext current
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
    Delete "$INSTDIR\Kravell.ico"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    RMDir "$PROGRAMFILES64\${COMPANY}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

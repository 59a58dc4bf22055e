// The Pocket PC shell: the menu bar at the bottom of the screen, full-screen dialogs with a Done
// button, activation and setting-change handling, and launching programs and documents.
#pragma once

#include "WinUser.h"

// ---- Menu bar ---------------------------------------------------------------------------------
//
// A menu bar resource (SHMENUBAR) is an RCDATA resource with the menu bar's id (a resource of
// type 102, what a script naming the type SHMENUBAR gets without the device headers, is read as
// well), laid out as little-endian WORDs and BYTEs:
//
//     WORD  menuId          the MENU resource whose popups the buttons open (0: none)
//     WORD  buttonCount
//     per button:
//       WORD bitmapIndex    I_IMAGENONE (0xFFFE) for a text button
//       WORD commandId      sent to the owner as WM_COMMAND when a button without a popup is tapped
//       BYTE state          TBSTATE_ENABLED (0x04) and friends
//       BYTE style          TBSTYLE_BUTTON (0x00), TBSTYLE_DROPDOWN (0x08), TBSTYLE_AUTOSIZE (0x10)
//       WORD stringId       the button's text in the string table of the same module
//       WORD subMenuIndex   0xFFFF: none; else the position of a popup of the MENU
//
// For example, in a .rc file:  300 RCDATA { 300, 2,  0xFFFE, 1, 4, 0x10, 40100, 0xFFFF,
//                                                    0xFFFE, 20010, 4, 0x10, 40101, 0 }

#define I_IMAGENONE (-2)
#define TBSTATE_CHECKED 0x01
#define TBSTATE_PRESSED 0x02
#define TBSTATE_ENABLED 0x04
#define TBSTATE_HIDDEN 0x08
#define TBSTYLE_BUTTON 0x00
#define TBSTYLE_SEP 0x01
#define TBSTYLE_CHECK 0x02
#define TBSTYLE_DROPDOWN 0x08
#define TBSTYLE_AUTOSIZE 0x10

#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004
#define SHCMBF_COLORBK 0x0008
#define SHCMBF_HMENU 0x0010

typedef struct tagSHMENUBARINFO {
    DWORD cbSize;
    HWND hwndParent;
    DWORD dwFlags;
    UINT nToolBarId;
    HINSTANCE hInstRes;
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;
    DWORD clrBk;
} SHMENUBARINFO, *PSHMENUBARINFO;

// cbSize may be sizeof(SHMENUBARINFO) or the device's 36. The bar is a top-level window owned by
// hwndParent, as tall as MENU_BAR_HEIGHT, along the bottom of the screen.
BOOL SHCreateMenuBar(SHMENUBARINFO* pmbi);

#define SHCMBM_SETSUBMENU (WM_USER + 400)
#define SHCMBM_GETSUBMENU (WM_USER + 401)   // lParam: a button's command id -> its popup
#define SHCMBM_GETMENU (WM_USER + 402)      // -> the bar's MENU
#define SHCMBM_OVERRIDEKEY (WM_USER + 403)

#define TB_ENABLEBUTTON (WM_USER + 1)
#define TB_CHECKBUTTON (WM_USER + 2)
#define TB_HIDEBUTTON (WM_USER + 4)
#define TB_ISBUTTONENABLED (WM_USER + 9)
#define TB_BUTTONCOUNT (WM_USER + 24)

// ---- Dialogs ----------------------------------------------------------------------------------

#define SHIDIM_FLAGS 0x0001
#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010
#define SHIDIF_EMPTYMENU 0x0020

typedef struct tagSHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
} SHINITDLGINFO, *PSHINITDLGINFO;

// Full screen: the dialog fills the screen between the caption bar and the menu bar. The Done
// button sits in the caption bar and sends WM_COMMAND IDOK to the dialog.
BOOL SHInitDialog(PSHINITDLGINFO pshidi);

#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020
BOOL SHFullScreen(HWND hwndRequester, DWORD dwState);

// ---- Activation -------------------------------------------------------------------------------

typedef struct tagSHACTIVATEINFO {
    DWORD cbSize;
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
} SHACTIVATEINFO, *PSHACTIVATEINFO;

#define SHA_INPUTDIALOG 0x00000001

// Keep the activation record up to date (last focus, active); there is no input panel to move.
BOOL SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* psai, DWORD dwFlags);
BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* psai);

// ---- Launching --------------------------------------------------------------------------------

#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_NO_UI 0x00000400

typedef struct _SHELLEXECUTEINFOW {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    LPVOID lpIDList;
    LPCWSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess;
} SHELLEXECUTEINFOW, *LPSHELLEXECUTEINFOW;
typedef SHELLEXECUTEINFOW SHELLEXECUTEINFO;

// Opens a document ("file://\path#anchor", "\path.htm") or starts a program; the help viewer
// "\Windows\peghelp.exe" opens the document named by lpParameters ("\path.htm#anchor"). On a
// desktop the host file is opened at its anchor with the desktop's opener; on the headless screen
// the launch is only recorded (see Automation.h). cbSize may be the structure's size or 60.
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* pExecInfo);
#define ShellExecuteEx ShellExecuteExW

// ---- Screen layout ----------------------------------------------------------------------------

// Heights of the caption bar at the top of the screen and of the menu bar at the bottom.
#define CAPTION_BAR_HEIGHT 26
#define MENU_BAR_HEIGHT 26

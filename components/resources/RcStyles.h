// Window, control and menu-bar style values for the resource scripts. llvm-rc needs plain
// numbers (the API headers mark theirs unsigned), so the few the templates use are repeated here.
#pragma once

#define WS_POPUP 0x80000000
#define WS_CHILD 0x40000000
#define WS_VISIBLE 0x10000000
#define WS_DISABLED 0x08000000
#define WS_CAPTION 0x00C00000
#define WS_BORDER 0x00800000
#define WS_VSCROLL 0x00200000
#define WS_SYSMENU 0x00080000
#define WS_GROUP 0x00020000
#define WS_TABSTOP 0x00010000
#define WS_EX_CAPTIONOKBTN 0x80000000

#define DS_MODALFRAME 0x0080
#define DS_SETFONT 0x0040
#define DS_CENTER 0x0800

#define SS_LEFT 0x0000
#define SS_CENTER 0x0001
#define SS_RIGHT 0x0002
#define SS_LEFTNOWORDWRAP 0x000C
#define SS_NOPREFIX 0x0080

#define BS_PUSHBUTTON 0x0000
#define BS_AUTOCHECKBOX 0x0003

#define ES_LEFT 0x0000
#define ES_MULTILINE 0x0004
#define ES_AUTOVSCROLL 0x0040
#define ES_READONLY 0x0800

#define CBS_DROPDOWNLIST 0x0003

#define LVS_LIST 0x0003
#define LVS_SINGLESEL 0x0004
#define LVS_SHOWSELALWAYS 0x0008

#define PBS_SMOOTH 0x01

// Shell menu-bar buttons: the state byte (low) and the style byte (high) are written as one word.
// State 0x04 is enabled; style 0x10 is autosize, 0x18 autosize with a drop-down popup.
#define I_IMAGENONE 0xFFFE
#define NOMENU 0xFFFF
#define BAR_TEXT 0x1004
#define BAR_POPUP 0x1804

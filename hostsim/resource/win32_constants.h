// The Win32 window styles and messages that the substitute host knows beyond those of the
// plug-in's platform header: the style bits of dialog templates and the messages the host itself
// sends to its controls. Same names and values as on Win32.
#pragma once

#include "platform/platform.h"

// On Windows the platform header has them all.
#ifndef _WIN32

// Window styles.
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_VSCROLL 0x00200000u
#define WS_SYSMENU 0x00080000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u

// Dialog styles.
#define DS_CENTER 0x0800u
#define DS_MODALFRAME 0x0080u
#define DS_SETFONT 0x0040u

// Control styles.
#define SS_LEFT 0x0000u
#define SS_CENTER 0x0001u
#define BS_PUSHBUTTON 0x0000u
#define BS_DEFPUSHBUTTON 0x0001u
#define BS_AUTOCHECKBOX 0x0003u
#define BS_GROUPBOX 0x0007u
#define BS_AUTORADIOBUTTON 0x0009u
#define BS_TYPEMASK 0x000Fu
#define BS_LEFT 0x0100u
#define ES_LEFT 0x0000u
#define ES_AUTOHSCROLL 0x0080u
#define ES_NUMBER 0x2000u
#define LBS_NOTIFY 0x0001u
#define LBS_HASSTRINGS 0x0040u
#define LBS_EXTENDEDSEL 0x0800u
#define CBS_DROPDOWNLIST 0x0003u
#define CBS_HASSTRINGS 0x0200u
#define UDS_SETBUDDYINT 0x0002u
#define UDS_ALIGNRIGHT 0x0004u
#define UDS_AUTOBUDDY 0x0010u
#define UDS_ARROWKEYS 0x0020u
#define UDS_NOTHOUSANDS 0x0080u

// Messages the host sends to its controls.
#define WM_SETTEXT 0x000C
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define CB_GETCURSEL 0x0147
#define CB_SETCURSEL 0x014E
#define CB_ERR (-1)

#endif

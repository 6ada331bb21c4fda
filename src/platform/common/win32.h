// The part of the Win32 API that QEL uses, as our own platform units provide
// it wherever USER32 is not. Names, types and values are Win32's own, so that
// the program and the resource script read the same on every platform.
#ifndef QEL_WIN32_H
#define QEL_WIN32_H

// Window styles
#define WS_POPUP        0x80000000
#define WS_CHILD        0x40000000
#define WS_MINIMIZE     0x20000000
#define WS_VISIBLE      0x10000000
#define WS_DISABLED     0x08000000
#define WS_CAPTION      0x00C00000
#define WS_BORDER       0x00800000
#define WS_SYSMENU      0x00080000
#define WS_GROUP        0x00020000
#define WS_MINIMIZEBOX  0x00020000
#define WS_TABSTOP      0x00010000
#define WS_EX_TOPMOST   0x00000008

// Dialog styles
#define DS_3DLOOK       0x0004
#define DS_FIXEDSYS     0x0008
#define DS_SETFONT      0x0040
#define DS_MODALFRAME   0x0080
#define DS_CONTEXTHELP  0x2000

// Control styles
#define ES_LEFT         0x0000
#define ES_UPPERCASE    0x0008
#define ES_AUTOHSCROLL  0x0080
#define BS_PUSHBUTTON   0x0000
#define BS_DEFPUSHBUTTON 0x0001
#define BS_GROUPBOX     0x0007
#define BS_TYPEMASK     0x000F
#define BS_CENTER       0x0300
#define BS_MULTILINE    0x2000
#define SS_LEFT         0x0000
#define SS_CENTER       0x0001
#define SS_ICON         0x0003
#define SS_TYPEMASK     0x001F
#define SS_SUNKEN       0x1000

// Resource types
#define RT_ICON         3
#define RT_DIALOG       5
#define RT_GROUP_ICON   14
#define RT_VERSION      16

#define VS_VERSION_INFO 1
#define VS_FFI_FILEFLAGSMASK 0x3F
#define VOS_NT_WINDOWS32 0x00040004
#define VOS__WINDOWS32  0x00000004
#define VOS_DOS_WINDOWS16 0x00010001
#define VOS_DOS_WINDOWS32 0x00010004
#define VFT_APP         0x1
#define VFT2_UNKNOWN    0x0

#define IDOK            1
#define IDCANCEL        2

#ifndef RC_INVOKED

#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t INT_PTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef int32_t HRESULT;

typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;

#define WINAPI
#define CALLBACK
#define TRUE 1
#define FALSE 0

typedef INT_PTR (CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define MAKEINTRESOURCEA(i) ((LPSTR)(ULONG_PTR)(WORD)(i))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define IS_INTRESOURCE(p) ((((ULONG_PTR)(p)) >> 16) == 0)
#define LOWORD(l) ((WORD)(((ULONG_PTR)(l)) & 0xFFFF))
#define HIWORD(l) ((WORD)((((ULONG_PTR)(l)) >> 16) & 0xFFFF))
#define MAKEWPARAM(lo, hi) ((WPARAM)(((DWORD)(WORD)(lo)) | (((DWORD)(WORD)(hi)) << 16)))

#define WM_INITDIALOG   0x0110
#define WM_COMMAND      0x0111
#define EN_CHANGE       0x0300
#define EN_UPDATE       0x0400
#define EN_MAXTEXT      0x0501
#define BN_CLICKED      0
#define VK_BACK         0x08
#define KEYEVENTF_KEYUP 0x0002
#define SW_SHOWNORMAL   1
#define S_OK            ((HRESULT)0)
#define E_INVALIDARG    ((HRESULT)0x80070057)

// Text services: what a field takes, for a keyboard on the screen to offer.
typedef enum { IS_DEFAULT = 0, IS_DIGITS = 28, IS_NUMBER = 29 } InputScope;

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                               DLGPROC dialogProc, LPARAM initParam);
BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount);
BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
HWND WINAPI GetDlgItem(HWND dialog, int id);
HRESULT WINAPI SetInputScope(HWND window, InputScope scope);
void WINAPI keybd_event(BYTE virtualKey, BYTE scanCode, DWORD flags, ULONG_PTR extraInfo);
BOOL WINAPI MessageBeep(UINT type);

// The program's entry point, called by the start-up code.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showMode);

#endif  // RC_INVOKED
#endif

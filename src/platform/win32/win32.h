// On Windows the program talks to USER32 itself.
#ifndef QEL_WIN32_H
#define QEL_WIN32_H
#include <windows.h>

#ifndef RC_INVOKED
// USER32's keybd_event queues the taken-back Backspace behind keys the user
// has already typed, so fast typing deletes the wrong character; and an edit
// control ignores Backspace while Ctrl is held, so a refused Ctrl+V paste
// would stay on screen. The program's Backspace goes to our own function.
void WINAPI QelKeybdEvent(BYTE virtualKey, BYTE scanCode, DWORD flags, ULONG_PTR extraInfo);
#define keybd_event QelKeybdEvent

// Screen readers take an edit's name from the static just before it in
// z-order, and our templates put the labels after the fields: the dialogs
// go through our function, which names the fields by their labels.
INT_PTR WINAPI QelDialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                                  LPARAM param);
#define DialogBoxParamA QelDialogBoxParamA

// SetInputScope is in msctf.dll, for which not every MinGW has an import
// library: the program's call goes to our function, which finds it there.
#include <inputscope.h>
HRESULT WINAPI QelSetInputScope(HWND window, InputScope scope);
#define SetInputScope QelSetInputScope
#endif

#endif

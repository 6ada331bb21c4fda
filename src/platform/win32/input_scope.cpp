// What a field takes, told to the text services (the touch keyboard shows
// its digit pad for IS_DIGITS). A system without them has no keyboard to
// tell, and the call does nothing.
#include "win32.h"

#undef SetInputScope  // from here on, msctf's own

typedef HRESULT(WINAPI* SetInputScopeProc)(HWND, InputScope);

HRESULT WINAPI QelSetInputScope(HWND window, InputScope scope) {
  static SetInputScopeProc setInputScope = [] {
    const HMODULE msctf = LoadLibraryA("msctf.dll");
    return msctf ? reinterpret_cast<SetInputScopeProc>(reinterpret_cast<void*>(GetProcAddress(msctf, "SetInputScope")))
                 : nullptr;
  }();
  return setInputScope ? setInputScope(window, scope) : E_NOTIMPL;
}

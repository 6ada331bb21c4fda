// What a field takes, told to the text services (the touch keyboard shows
// its digit pad for IS_DIGITS). A system without them has no keyboard to
// tell, and the call does nothing.
#include "win32.h"

#undef SetInputScope  // from here on, msctf's own

typedef HRESULT(WINAPI* SetInputScopeProc)(HWND, InputScope);

// Once for each field as a dialog opens: the library stays loaded after
// the first, and each later load only counts.
HRESULT WINAPI QelSetInputScope(HWND window, InputScope scope) {
  const HMODULE msctf = LoadLibraryA("msctf.dll");
  const auto setInputScope =
      msctf ? reinterpret_cast<SetInputScopeProc>(reinterpret_cast<void*>(GetProcAddress(msctf, "SetInputScope")))
            : nullptr;
  return setInputScope ? setInputScope(window, scope) : E_NOTIMPL;
}

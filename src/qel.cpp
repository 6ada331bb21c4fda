// QEL: a decimal, hexadecimal and octal converter that converts while the
// user types. The entry point and the two dialog procedures.
#include <cstring>

#include "core.h"
#include "resource.h"
#include "win32.h"

namespace {

HINSTANCE hInst;

// True while MyDialogo writes converted texts into the fields: the change
// notifications that those writes send back are not the user's and are
// ignored.
bool MiaScrittura = false;

const int MaxLettura = 29;

struct Destinazione {
  int id;
  const char* testo;
};

// What happens once a field's new text has been accepted.
struct Campo {
  int id;
  int (*valida)(const char* stringa, int num_car);
  char* buffer;
  void (*conversioni[2])();
  Destinazione destinazioni[2];
};

const Campo Campi[] = {
    {ID_DECIMALE, EditDecimale, StrD, {DecToEsa, DecToOct},
     {{ID_ESADECIMALE, StrH}, {ID_OTTALE, StrO}}},
    {ID_ESADECIMALE, EditEsadecimale, StrH, {EsaToDec, DecToOct},
     {{ID_DECIMALE, StrD}, {ID_OTTALE, StrO}}},
    {ID_OTTALE, EditOttale, StrO, {OctToDec, DecToEsa},
     {{ID_DECIMALE, StrD}, {ID_ESADECIMALE, StrH}}},
};

void CampoAggiornato(HWND hwnd, const Campo& campo, char* StrTemp) {
  GetDlgItemTextA(hwnd, campo.id, StrTemp, MaxLettura);
  if (!campo.valida(StrTemp, static_cast<int>(std::strlen(StrTemp)))) return;

  std::strcpy(campo.buffer, StrTemp);
  for (auto conversione : campo.conversioni) conversione();

  MiaScrittura = true;
  for (const Destinazione& d : campo.destinazioni) SetDlgItemTextA(hwnd, d.id, d.testo);
  MiaScrittura = false;
}

INT_PTR CALLBACK AboutFunc(HWND hdwnd, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return 0;
  if (LOWORD(wParam) == IDCANCEL) EndDialog(hdwnd, 0);
  return 1;
}

INT_PTR CALLBACK MyDialogo(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  char StrTemp[LungBuffer] = "0";

  // The fields start with the template's "0"; a keyboard on the screen is
  // told that D and O take digits, and the dialog manager still gives the
  // first field the focus.
  if (message == WM_INITDIALOG) {
    SetInputScope(GetDlgItem(hwnd, ID_DECIMALE), IS_DIGITS);
    SetInputScope(GetDlgItem(hwnd, ID_OTTALE), IS_DIGITS);
  }
  if (message != WM_COMMAND) return 0;
  const int id = LOWORD(wParam);

  if (HIWORD(wParam) == EN_UPDATE && !MiaScrittura) {
    for (const Campo& campo : Campi)
      if (campo.id == id) CampoAggiornato(hwnd, campo, StrTemp);
  }

  switch (id) {
    case IDCANCEL:
      EndDialog(hwnd, 0);
      return 1;
    case ID_ABOUT:
      DialogBoxParamA(hInst, MAKEINTRESOURCE(IDD_ABOUT), hwnd, AboutFunc, 0);
      return 0;
    default:
      return 1;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  hInst = hInstance;
  DialogBoxParamA(hInst, MAKEINTRESOURCE(IDD_QEL), nullptr, MyDialogo, 0);
  return 0;
}

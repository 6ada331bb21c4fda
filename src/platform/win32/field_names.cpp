// Screen readers name an edit control after the static text just before it
// in z-order (MSAA's proxy for Win32 controls, and UI Automation's after
// it). Our templates list the labels after the fields, so every field would
// be read as a nameless "edit". Each dialog goes through DialogBoxParamA
// here instead: its fields answer WM_GETOBJECT with the standard accessible
// object, named by the label rule that all our dialog managers share.
#include <oleacc.h>

#include "dialog_template.h"
#include "win32.h"

#undef DialogBoxParamA  // from here on, USER32's own

namespace {

// Interface ids of our own: IID_IAccessible in 64-bit MinGW's libraries
// reads as garbage, and every QueryInterface for it fails.
const GUID kIAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
const GUID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kIDispatch = {0x00020400, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const char kDialogCallProp[] = "QelDialogCall";
const char kLabelProp[] = "QelLabel";
const char kEditProcProp[] = "QelEditProc";

struct DialogCall {
  HINSTANCE instance;
  LPCSTR templateName;
  DLGPROC proc;
  LPARAM param;
};
// The dialog DialogBoxParamA is creating: USER32 sends it WM_SETFONT
// before WM_INITDIALOG, so it is known by its first message.
DialogCall* creating = nullptr;

// oleacc, with ole32 and oleaut32, comes in when the first client asks: a
// program without a screen reader imports and loads none of them.
typedef HRESULT(WINAPI* CreateStdAccessibleObjectProc)(HWND, LONG, REFIID, void**);
typedef LRESULT(WINAPI* LresultFromObjectProc)(REFIID, WPARAM, LPUNKNOWN);
typedef BSTR(WINAPI* SysAllocStringLenProc)(const OLECHAR*, UINT);
typedef HRESULT(WINAPI* CoInitializeProc)(void*);
CreateStdAccessibleObjectProc createStdAccessibleObject;
LresultFromObjectProc lresultFromObject;
SysAllocStringLenProc sysAllocStringLen;

template <typename Function>
void Find(HMODULE module, const char* name, Function* function) {
  if (module) *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// LresultFromObject marshals the object through COM, which this thread
// has not needed until now.
bool LoadOleacc() {
  if (!lresultFromObject) {
    CoInitializeProc coInitialize = nullptr;
    Find(LoadLibraryA("ole32.dll"), "CoInitialize", &coInitialize);
    if (coInitialize) coInitialize(nullptr);
    const HMODULE oleacc = LoadLibraryA("oleacc.dll");
    Find(LoadLibraryA("oleaut32.dll"), "SysAllocStringLen", &sysAllocStringLen);
    Find(oleacc, "CreateStdAccessibleObject", &createStdAccessibleObject);
    Find(oleacc, "LresultFromObject", &lresultFromObject);
  }
  return createStdAccessibleObject && lresultFromObject && sysAllocStringLen;
}

// The label's text as its name, with the mnemonic's "&" dropped as the
// standard proxy drops it.
BSTR LabelName(HWND label) {
  WCHAR text[256];
  const int length = GetWindowTextW(label, text, 256);
  int kept = 0;
  for (int i = 0; i < length; i++) {
    if (text[i] == L'&' && ++i >= length) break;
    text[kept++] = text[i];
  }
  return sysAllocStringLen(text, static_cast<UINT>(kept));
}

// The standard object of a field, answering with its label's name.
class NamedField : public IAccessible {
 public:
  NamedField(IAccessible* standard, HWND label) : standard_(standard), label_(label) {}
  virtual ~NamedField() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualGUID(iid, kIUnknown) || IsEqualGUID(iid, kIDispatch) || IsEqualGUID(iid, kIAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return standard_->QueryInterface(iid, out);  // IEnumVARIANT and the like
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      standard_->Release();
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return standard_->get_accName(child, name);
    *name = LabelName(label_);
    return *name ? S_OK : E_OUTOFMEMORY;
  }

  // Everything else is the standard object's.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return standard_->GetTypeInfoCount(n); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
    return standard_->GetTypeInfo(i, l, t);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
    return standard_->GetIDsOfNames(r, n, c, l, d);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v,
                                   EXCEPINFO* e, UINT* a) override {
    return standard_->Invoke(d, r, l, f, p, v, e, a);
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return standard_->get_accParent(p); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override { return standard_->get_accChildCount(n); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** d) override { return standard_->get_accChild(c, d); }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override { return standard_->get_accValue(c, v); }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* d) override {
    return standard_->get_accDescription(c, d);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* r) override { return standard_->get_accRole(c, r); }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override { return standard_->get_accState(c, s); }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override { return standard_->get_accHelp(c, h); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, LONG* t) override {
    return standard_->get_accHelpTopic(f, c, t);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
    return standard_->get_accKeyboardShortcut(c, k);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* f) override { return standard_->get_accFocus(f); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* s) override { return standard_->get_accSelection(s); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override {
    return standard_->get_accDefaultAction(c, a);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG f, VARIANT c) override { return standard_->accSelect(f, c); }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT c) override {
    return standard_->accLocation(x, y, w, h, c);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG d, VARIANT s, VARIANT* e) override {
    return standard_->accNavigate(d, s, e);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* c) override { return standard_->accHitTest(x, y, c); }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override { return standard_->accDoDefaultAction(c); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override { return standard_->put_accName(c, n); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override { return standard_->put_accValue(c, v); }

 private:
  IAccessible* standard_;
  HWND label_;
  LONG references_ = 1;
};

// 0 where there is nothing to add: the edit control answers as it would.
LRESULT NamedFieldObject(HWND edit, WPARAM flags) {
  HWND label = static_cast<HWND>(GetPropA(edit, kLabelProp));
  if (!label || !IsWindow(label) || !LoadOleacc()) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(createStdAccessibleObject(edit, OBJID_CLIENT, kIAccessible, reinterpret_cast<void**>(&standard))))
    return 0;
  NamedField* field = new NamedField(standard, label);
  const LRESULT result = lresultFromObject(kIAccessible, flags, field);
  field->Release();  // the result holds its own reference
  return result > 0 ? result : 0;
}

// A Unicode subclass: the version-6 edit is a Unicode window, and an ANSI
// one in between would pass typed text through the code page.
LRESULT CALLBACK NamedFieldProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC original = reinterpret_cast<WNDPROC>(GetPropA(edit, kEditProcProp));
  if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
    if (const LRESULT result = NamedFieldObject(edit, wParam)) return result;
  } else if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropA(edit, kEditProcProp);
    RemovePropA(edit, kLabelProp);
  }
  return CallWindowProcW(original, edit, message, wParam, lParam);
}

// USER32 creates the controls in template order, each below the last, so
// the template's items and the dialog's children in z-order match.
void NameFields(HWND dialog, const DialogCall& call) {
  HRSRC found = FindResourceA(call.instance, call.templateName, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
  HGLOBAL loaded = found ? LoadResource(call.instance, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  DialogTemplate t;
  if (!bytes || !ParseDialogTemplate(static_cast<const unsigned char*>(bytes), SizeofResource(call.instance, found), &t))
    return;
  HWND children[64] = {};
  size_t count = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child && count < 64; child = GetWindow(child, GW_HWNDNEXT))
    children[count++] = child;
  if (count != t.items.size()) return;
  for (size_t i = 0; i < count; i++) {
    const int label = LabelItemIndex(t, i);
    if (label < 0 || ControlClassName(t.items[i].windowClass) != "EDIT") continue;
    SetPropA(children[i], kLabelProp, children[label]);
    SetPropA(children[i], kEditProcProp,
             reinterpret_cast<HANDLE>(GetWindowLongPtrW(children[i], GWLP_WNDPROC)));
    SetWindowLongPtrW(children[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NamedFieldProc));
  }
}

INT_PTR CALLBACK LabellingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogCall* call = static_cast<DialogCall*>(GetPropA(dialog, kDialogCallProp));
  if (!call && creating) {
    call = creating;
    creating = nullptr;
    SetPropA(dialog, kDialogCallProp, call);
  }
  if (!call) return 0;
  if (message == WM_INITDIALOG) {
    NameFields(dialog, *call);
    lParam = call->param;
  } else if (message == WM_NCDESTROY) {
    RemovePropA(dialog, kDialogCallProp);
  }
  return call->proc(dialog, message, wParam, lParam);
}

}  // namespace

INT_PTR WINAPI QelDialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                                  LPARAM param) {
  DialogCall call = {instance, templateName, proc, param};
  creating = &call;
  const INT_PTR result = DialogBoxParamA(instance, templateName, owner, LabellingDialogProc, 0);
  creating = nullptr;
  return result;
}

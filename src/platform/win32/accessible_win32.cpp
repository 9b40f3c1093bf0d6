#include "platform/win32/accessible_win32.h"

#include <oleacc.h>

#include <atomic>
#include <utility>

#include "base/failure.h"
#include "platform/win32/system_library.h"

namespace qo::win32 {

namespace {

struct Accessibility {
  SystemLibrary library{L"oleacc.dll", L"Accessibility"};
  decltype(&::CreateStdAccessibleObject) createStandard =
      library.function<decltype(&::CreateStdAccessibleObject)>("CreateStdAccessibleObject");
  decltype(&::LresultFromObject) resultFromObject =
      library.function<decltype(&::LresultFromObject)>("LresultFromObject");
  // Names go out as BSTRs, which OLE automation allocates.
  SystemLibrary automation{L"oleaut32.dll", L"OLE automation"};
  decltype(&::SysAllocString) allocateString =
      automation.function<decltype(&::SysAllocString)>("SysAllocString");
};

const Accessibility& accessibility() {
  static const Accessibility loaded;  // a failed load is tried again next time
  return loaded;
}

bool isSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The system's standard object, with our name and role.  Everything else is the standard's.
class OurAccessible final : public IAccessible {
 public:
  OurAccessible(IAccessible* standard, AccessibleFacts facts, decltype(&::SysAllocString) allocate)
      : standard_(standard), facts_(std::move(facts)), allocate_(allocate) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDispatch) ||
        ::IsEqualIID(iid, IID_IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return standard_->QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!isSelf(child) || !role || facts_.role == 0) return standard_->get_accRole(child, role);
    role->vt = VT_I4;
    role->lVal = facts_.role;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!isSelf(child) || !name || facts_.name.empty()) return standard_->get_accName(child, name);
    *name = allocate_(facts_.name.c_str());
    return *name ? S_OK : E_OUTOFMEMORY;
  }

  // The rest as the standard object answers.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return standard_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
    return standard_->GetTypeInfo(i, l, t);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l,
                                          DISPID* d) override {
    return standard_->GetIDsOfNames(r, n, c, l, d);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v,
                                   EXCEPINFO* e, UINT* a) override {
    return standard_->Invoke(d, r, l, f, p, v, e, a);
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override {
    return standard_->get_accParent(p);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* c) override {
    return standard_->get_accChildCount(c);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** d) override {
    return standard_->get_accChild(c, d);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override {
    return standard_->get_accValue(c, v);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* d) override {
    return standard_->get_accDescription(c, d);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override {
    return standard_->get_accState(c, s);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override {
    return standard_->get_accHelp(c, h);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, long* t) override {
    return standard_->get_accHelpTopic(f, c, t);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
    return standard_->get_accKeyboardShortcut(c, k);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* c) override {
    return standard_->get_accFocus(c);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* c) override {
    return standard_->get_accSelection(c);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override {
    return standard_->get_accDefaultAction(c, a);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT c) override {
    return standard_->accSelect(f, c);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT c) override {
    return standard_->accLocation(x, y, w, h, c);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long n, VARIANT s, VARIANT* e) override {
    return standard_->accNavigate(n, s, e);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* c) override {
    return standard_->accHitTest(x, y, c);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override {
    return standard_->accDoDefaultAction(c);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override {
    return standard_->put_accName(c, n);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override {
    return standard_->put_accValue(c, v);
  }

 private:
  ~OurAccessible() { standard_->Release(); }

  IAccessible* standard_;
  AccessibleFacts facts_;
  decltype(&::SysAllocString) allocate_;
  std::atomic<ULONG> references_{1};
};

}  // namespace

LRESULT answerGetObject(HWND control, WPARAM wParam, LPARAM lParam, const AccessibleFacts& facts) {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT) {
    return ::DefWindowProcW(control, WM_GETOBJECT, wParam, lParam);
  }
  try {
    const Accessibility& system = accessibility();
    IAccessible* standard = nullptr;
    if (FAILED(system.createStandard(control, OBJID_CLIENT, IID_IAccessible,
                                     reinterpret_cast<void**>(&standard)))) {
      return 0;
    }
    auto* answer = new OurAccessible(standard, facts, system.allocateString);
    const LRESULT result = system.resultFromObject(IID_IAccessible, wParam, answer);
    answer->Release();  // the result holds its own reference
    return result;
  } catch (const Failure&) {
    return 0;  // no accessibility on this system: nobody is asking, in effect
  }
}

}  // namespace qo::win32

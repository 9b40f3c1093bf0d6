#include "platform/win32/accessible_win32.h"

#include <oleacc.h>
#include <oleidl.h>

#include <atomic>
#include <new>
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

constexpr wchar_t kPressAction[] = L"Press";

// One object a screen reader talks to for one of our controls: it tells our name,
// role and default action, and asks the system's standard object for location,
// state, focus and the like.  It answers no interface but its own (and IOleWindow,
// which WindowFromAccessibleObject asks for): an interface handed on from the
// standard object would lead back to an object that knows nothing of ours.
class OurAccessible final : public IAccessible, public IOleWindow {
 public:
  OurAccessible(HWND control, IAccessible* standard, const AccessibleFacts& facts,
                decltype(&::SysAllocString) allocate)
      : control_(control),
        standard_(standard),
        name_(facts.name),
        role_(facts.role),
        pressable_(facts.pressable),
        allocate_(allocate) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDispatch) ||
        ::IsEqualIID(iid, IID_IAccessible)) {
      *object = static_cast<IAccessible*>(this);
    } else if (::IsEqualIID(iid, IID_IOleWindow)) {
      *object = static_cast<IOleWindow*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IOleWindow
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = control_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IDispatch: readers call IAccessible directly; by dispatch there is nothing to have.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // What we know better than the standard object.
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!isSelf(child) || !role || role_ == 0) return standard_->get_accRole(child, role);
    role->vt = VT_I4;
    role->lVal = role_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!isSelf(child) || !name || name_.empty()) return standard_->get_accName(child, name);
    return text(name_.c_str(), name);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!isSelf(child) || !action || !pressable_) {
      return standard_->get_accDefaultAction(child, action);
    }
    return text(kPressAction, action);
  }
  // Posted, never sent: a click may open a modal dialog, whose loop must not run
  // inside the reader's call.
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!isSelf(child) || !pressable_) return standard_->accDoDefaultAction(child);
    return ::PostMessageW(control_, BM_CLICK, 0, 0) ? S_OK : E_FAIL;
  }

  // The rest as the standard object answers.
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
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* c) override { return standard_->get_accFocus(c); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* c) override {
    return standard_->get_accSelection(c);
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
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override {
    return standard_->put_accName(c, n);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override {
    return standard_->put_accValue(c, v);
  }

 private:
  ~OurAccessible() { standard_->Release(); }

  HRESULT text(const wchar_t* value, BSTR* out) const {
    *out = allocate_(value);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  HWND control_;
  IAccessible* standard_;
  std::wstring name_;
  long role_;
  bool pressable_;
  decltype(&::SysAllocString) allocate_;
  std::atomic<ULONG> references_{1};
};

// Our object for control, marshalled for the caller; 0 where it cannot be had (no
// accessibility on this system, no memory, no apartment to marshal in).
LRESULT ourAnswer(HWND control, WPARAM wParam, const AccessibleFacts& facts) {
  IAccessible* standard = nullptr;
  try {
    const Accessibility& system = accessibility();
    if (FAILED(system.createStandard(control, OBJID_CLIENT, IID_IAccessible,
                                     reinterpret_cast<void**>(&standard)))) {
      return 0;
    }
    auto* answer = new OurAccessible(control, standard, facts, system.allocateString);
    standard = nullptr;  // the answer holds it now
    const LRESULT result =
        system.resultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(answer));
    answer->Release();  // the result holds its own reference
    return result > 0 ? result : 0;
  } catch (const Failure&) {
  } catch (const std::bad_alloc&) {
  }
  if (standard) standard->Release();
  return 0;
}

}  // namespace

LRESULT answerGetObject(HWND control, WPARAM wParam, LPARAM lParam, const AccessibleFacts& facts) {
  if (static_cast<LONG>(lParam) == OBJID_CLIENT) {
    if (const LRESULT ours = ourAnswer(control, wParam, facts)) return ours;
  }
  // The reader then makes the system's standard object itself.
  return ::DefWindowProcW(control, WM_GETOBJECT, wParam, lParam);
}

}  // namespace qo::win32

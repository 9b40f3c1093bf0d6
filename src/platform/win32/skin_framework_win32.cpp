#include "platform/win32/skin_framework_win32.h"

#include <atomic>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "formats/skin_file.h"
#include "base/skin.h"
#include "base/failure.h"
#include "platform/win32/handles.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/skin_window_win32.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_error.h"

namespace qo::win32 {

namespace {

// OLE automation (oleaut32 and what it pulls in) is needed only when a skin is
// used, so it is loaded when the first skin framework object or caller is made,
// which is before any of these functions is called.
struct OleAutomation {
  OleAutomation()
      : library(L"oleaut32.dll", L"OLE automation"),
        variantInit(library.function<decltype(&::VariantInit)>("VariantInit")),
        variantClear(library.function<decltype(&::VariantClear)>("VariantClear")),
        variantChangeType(library.function<decltype(&::VariantChangeType)>("VariantChangeType")),
        sysAllocString(library.function<decltype(&::SysAllocString)>("SysAllocString")),
        sysAllocStringLen(library.function<decltype(&::SysAllocStringLen)>("SysAllocStringLen")),
        sysStringLen(library.function<decltype(&::SysStringLen)>("SysStringLen")),
        sysFreeString(library.function<decltype(&::SysFreeString)>("SysFreeString")) {}

  SystemLibrary library;
  decltype(&::VariantInit) variantInit;
  decltype(&::VariantClear) variantClear;
  decltype(&::VariantChangeType) variantChangeType;
  decltype(&::SysAllocString) sysAllocString;
  decltype(&::SysAllocStringLen) sysAllocStringLen;
  decltype(&::SysStringLen) sysStringLen;
  decltype(&::SysFreeString) sysFreeString;
};

const OleAutomation& ole() {
  static const OleAutomation automation;  // a failed load is tried again next time
  return automation;
}

// A VARIANT cleared when it goes.
struct Variant {
  Variant() { ole().variantInit(&value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ole().variantClear(&value); }
  VARIANT value;
};

// A call's arguments as the caller wrote them (DISPPARAMS holds them reversed).
class Arguments {
 public:
  Arguments(const DISPPARAMS& params, UINT* argError) : params_(params), argError_(argError) {}
  UINT count() const { return params_.cArgs; }
  bool namedPropertyValue() const {
    return params_.cNamedArgs == 1 && params_.rgdispidNamedArgs &&
           params_.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
  }
  // The argument at that place converted to type; false (and the place noted)
  // when it cannot be.
  bool get(UINT place, VARTYPE type, Variant& out) const {
    const UINT index = params_.cArgs - 1 - place;
    if (SUCCEEDED(ole().variantChangeType(&out.value, &params_.rgvarg[index], 0, type)))
      return true;
    if (argError_) *argError_ = index;
    return false;
  }

 private:
  const DISPPARAMS& params_;
  UINT* argError_;
};

std::wstring textOf(const Variant& text) {
  return std::wstring(text.value.bstrVal, ole().sysStringLen(text.value.bstrVal));
}

class SkinFramework final : public IDispatch {
 public:
  // Loads OLE automation, so that no call of the object can fail for the want of it.
  SkinFramework() { ole(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (!::IsEqualIID(iid, IID_IUnknown) && !::IsEqualIID(iid, IID_IDispatch)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  // Reached by dispatch id only: no member has a name.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                          DISPID* ids) override {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
    if (!::IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!params || (params->cArgs > 0 && !params->rgvarg)) return E_INVALIDARG;
    try {
      return dispatch(member, flags, Arguments(*params, argError), result);
    } catch (const Failure& failure) {
      return report(failure.description(), exception);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 private:
  ~SkinFramework() = default;

  HRESULT dispatch(DISPID member, WORD flags, const Arguments& args, VARIANT* result) {
    switch (member) {
      case kSkinLoad:
        if (const HRESULT check = methodCall(flags, args, 2); FAILED(check)) return check;
        return load(args);
      case kSkinOptions:
        return property(flags, args, VT_I4, result, [this](VARIANT& v) {
          if (v.vt == VT_EMPTY) {
            v.vt = VT_I4;
            v.lVal = options_;
          } else {
            options_ = v.lVal;
          }
        });
      case kSkinFrames:
        return switchProperty(frames_, flags, args, result);
      case kSkinButtons:
        return switchProperty(buttons_, flags, args, result);
      case kSkinApplyWindow:
        if (const HRESULT check = methodCall(flags, args, 1); FAILED(check)) return check;
        return applyTo(args);
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  // S_OK for a method call with that many arguments.
  static HRESULT methodCall(WORD flags, const Arguments& args, UINT count) {
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    return args.count() == count ? S_OK : DISP_E_BADPARAMCOUNT;
  }

  // A property read or write: access gets an empty VARIANT to fill for a read,
  // the new value (already of type) for a write.
  template <class Access>
  HRESULT property(WORD flags, const Arguments& args, VARTYPE type, VARIANT* result,
                   Access access) {
    if (flags & DISPATCH_PROPERTYPUT) {
      if (args.count() != 1) return DISP_E_BADPARAMCOUNT;
      if (!args.namedPropertyValue()) return DISP_E_PARAMNOTFOUND;
      Variant value;
      if (!args.get(0, type, value)) return DISP_E_TYPEMISMATCH;
      access(value.value);
      return S_OK;
    }
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (args.count() != 0) return DISP_E_BADPARAMCOUNT;
    Variant value;
    access(value.value);
    if (result) {
      *result = value.value;  // handed over: the caller clears it
      value.value.vt = VT_EMPTY;
    }
    return S_OK;
  }

  HRESULT switchProperty(bool& on, WORD flags, const Arguments& args, VARIANT* result) {
    return property(flags, args, VT_BOOL, result, [&on](VARIANT& v) {
      if (v.vt == VT_EMPTY) {
        v.vt = VT_BOOL;
        v.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
      } else {
        on = v.boolVal != VARIANT_FALSE;
      }
    });
  }

  HRESULT load(const Arguments& args) {
    Variant path;
    Variant scheme;
    if (!args.get(0, VT_BSTR, path) || !args.get(1, VT_BSTR, scheme)) return DISP_E_TYPEMISMATCH;
    const std::vector<std::uint8_t> bytes = readSmallFile(textOf(path), kLargestSkinFile, L"The skin file");
    // A file of another format is no skin of ours: ignored, without a word.
    skin_ = readSkinFile(bytes, textOf(scheme));
    return S_OK;
  }

  HRESULT applyTo(const Arguments& args) {
    Variant handle;
    if (!args.get(0, VT_I4, handle)) return DISP_E_TYPEMISMATCH;
    const auto window = reinterpret_cast<HWND>(static_cast<INT_PTR>(handle.value.lVal));
    if (!::IsWindow(window)) throw Failure(L"The skin cannot be applied: no such window.");
    if (!skin_) return S_OK;
    applySkin(window, *skin_,
              {.controls = (options_ & kSkinOptionControls) != 0,
               .frames = frames_,
               .buttons = buttons_});
    return S_OK;
  }

  static HRESULT report(const std::wstring& description, EXCEPINFO* exception) {
    if (exception) {
      *exception = EXCEPINFO{};
      exception->bstrSource = ole().sysAllocString(L"SkinFramework1");
      exception->bstrDescription =
          ole().sysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
      exception->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
  }

  std::atomic<ULONG> references_{1};
  std::int32_t options_ = 0;
  bool frames_ = false;
  bool buttons_ = false;
  std::optional<SkinColours> skin_;
};

// VARIANTs for a call's arguments, cleared when they go.
class VariantArray {
 public:
  explicit VariantArray(std::size_t count) : items_(count) {
    for (VARIANT& item : items_) ole().variantInit(&item);
  }
  VariantArray(const VariantArray&) = delete;
  VariantArray& operator=(const VariantArray&) = delete;
  ~VariantArray() {
    for (VARIANT& item : items_) ole().variantClear(&item);
  }
  VARIANT* data() { return items_.data(); }
  VARIANT& operator[](std::size_t i) { return items_[i]; }

 private:
  std::vector<VARIANT> items_;
};

void toVariant(const DispatchValue& value, VARIANT& out) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) {
    out.vt = VT_I4;
    out.lVal = *number;
  } else if (const auto* flag = std::get_if<bool>(&value)) {
    out.vt = VT_BOOL;
    out.boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (const auto* text = std::get_if<std::wstring>(&value)) {
    out.bstrVal = ole().sysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
    if (!out.bstrVal) throw std::bad_alloc();
    out.vt = VT_BSTR;
  }
}

DispatchValue fromVariant(const VARIANT& value) {
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return {};
    case VT_BOOL:
      return value.boolVal != VARIANT_FALSE;
    case VT_BSTR:
      return std::wstring(value.bstrVal, ole().sysStringLen(value.bstrVal));
    default: {
      Variant number;
      // VariantChangeType only reads its source, though it is not declared so.
      if (SUCCEEDED(
              ole().variantChangeType(&number.value, const_cast<VARIANT*>(&value), 0, VT_I4))) {
        return std::int32_t{number.value.lVal};
      }
      return {};
    }
  }
}

WORD flagsOf(DispatchKind kind) {
  switch (kind) {
    case DispatchKind::PropertyGet:
      return DISPATCH_PROPERTYGET;
    case DispatchKind::PropertyPut:
      return DISPATCH_PROPERTYPUT;
    case DispatchKind::Method:
      break;
  }
  return DISPATCH_METHOD;
}

// The component's own words for a DISP_E_EXCEPTION, the system's for the rest.
std::wstring describeFailure(std::int32_t id, HRESULT result, EXCEPINFO& exception) {
  std::wstring text;
  if (result == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    if (exception.bstrDescription) {
      text.assign(exception.bstrDescription, ole().sysStringLen(exception.bstrDescription));
    }
    if (text.empty() && FAILED(exception.scode)) result = exception.scode;
    ole().sysFreeString(exception.bstrSource);
    ole().sysFreeString(exception.bstrDescription);
    ole().sysFreeString(exception.bstrHelpFile);
  }
  if (text.empty()) {
    text = L"The call of member " + std::to_wstring(id) + L" of the skin framework failed: " +
           systemMessage(static_cast<unsigned long>(result));
  }
  return text;
}

class DispatchCaller final : public DispatchObject {
 public:
  explicit DispatchCaller(IDispatch* object) : object_(object) {
    ole();
    object_->AddRef();
  }
  DispatchCaller(const DispatchCaller&) = delete;
  DispatchCaller& operator=(const DispatchCaller&) = delete;
  ~DispatchCaller() override { object_->Release(); }

  DispatchValue invoke(std::int32_t id, DispatchKind kind,
                       std::vector<DispatchValue> args) override {
    VariantArray arguments(args.size());
    for (std::size_t i = 0; i < args.size(); ++i)
      toVariant(args[args.size() - 1 - i], arguments[i]);
    DISPID propertyValue = DISPID_PROPERTYPUT;
    const bool put = kind == DispatchKind::PropertyPut;
    DISPPARAMS params{arguments.data(), put ? &propertyValue : nullptr,
                      static_cast<UINT>(args.size()), put ? 1u : 0u};
    Variant result;
    EXCEPINFO exception{};
    UINT argError = 0;
    const HRESULT outcome =
        object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flagsOf(kind), &params,
                        put ? nullptr : &result.value, &exception, &argError);
    if (FAILED(outcome)) throw Failure(describeFailure(id, outcome, exception));
    return fromVariant(result.value);
  }

 private:
  IDispatch* object_;
};

}  // namespace

IDispatch* newSkinFrameworkObject() { return new SkinFramework(); }

std::unique_ptr<DispatchObject> dispatchCaller(IDispatch* object) {
  return std::make_unique<DispatchCaller>(object);
}

std::unique_ptr<DispatchObject> createSkinFramework() {
  IDispatch* object = newSkinFrameworkObject();
  auto caller = dispatchCaller(object);
  object->Release();
  return caller;
}

}  // namespace qo::win32

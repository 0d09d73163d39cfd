#include "ui/win32/file_drag.h"

#include <shlobj.h>

#include <atomic>
#include <cstring>

#include "platform/win32/system_text.h"

namespace varnok {
namespace {

constexpr FORMATETC kFileDropFormat = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1,
                                       TYMED_HGLOBAL};

// What every COM object of this file does alike: its count of references,
// and QueryInterface for its one interface.
template <typename Interface>
class CComObject : public Interface {
 public:
  virtual ~CComObject() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
      *object = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<ULONG> references_{1};
};

class CFileDataObject final : public CComObject<IDataObject> {
 public:
  // paths: each path, ended by a zero, then a second zero.
  explicit CFileDataObject(std::wstring paths) : paths_(std::move(paths)) {}

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format,
                                    STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    const size_t bytes = paths_.size() * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + bytes);
    if (memory == nullptr) return E_OUTOFMEMORY;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, paths_.data(), bytes);
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format->cfFormat == CF_HDROP &&
                   (format->tymed & TYMED_HGLOBAL) != 0 &&
                   format->dwAspect == DVASPECT_CONTENT
               ? S_OK
               : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*,
                                                  FORMATETC* out) override {
    out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
  }
  // What a drop target tells back (the effect it performed) is not kept.
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction,
                                          IEnumFORMATETC** formats) override {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    return SHCreateStdEnumFmtEtc(1, &kFileDropFormat, formats);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*,
                                    DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  const std::wstring paths_;
};

// The drag goes on while a mouse button is held, and ends without a drop
// on Escape.
class CDropSource final : public CComObject<IDropSource> {
 public:
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape,
                                              DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    if ((keys & (MK_LBUTTON | MK_RBUTTON)) == 0) return DRAGDROP_S_DROP;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override {
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
};

}  // namespace

IDataObject* MakeFileDataObject(const std::vector<std::string>& paths) {
  std::wstring list;
  for (const std::string& path : paths) {
    // With the separators Explorer expects.
    for (const wchar_t c : ToWideText(path)) list += c == L'/' ? L'\\' : c;
    list += L'\0';
  }
  list += L'\0';
  return new CFileDataObject(std::move(list));
}

DWORD DragFilesOut(const std::vector<std::string>& paths) {
  IDataObject* data = MakeFileDataObject(paths);
  IDropSource* source = new CDropSource;
  DWORD effect = DROPEFFECT_NONE;
  if (DoDragDrop(data, source, DROPEFFECT_COPY, &effect) != DRAGDROP_S_DROP) {
    effect = DROPEFFECT_NONE;
  }
  source->Release();
  data->Release();
  return effect;
}

}  // namespace varnok

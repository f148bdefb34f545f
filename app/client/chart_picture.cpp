// INITGUID defines the component's identifiers here, as no import library
// of it is linked.
#define INITGUID
#include "app/client/chart_picture.h"

#include "app/client/file_saving.h"

#include "window/system_library.h"

#include <objidl.h>
#include <wincodec.h>

#include <cstddef>

namespace {

using StreamOnGlobalFunction = HRESULT(WINAPI*)(HGLOBAL, BOOL, LPSTREAM*);
using GlobalFromStreamFunction = HRESULT(WINAPI*)(LPSTREAM, HGLOBAL*);

// A COM interface released at the end of its scope.
template <typename Interface>
class Held {
public:
    Held() = default;
    ~Held()
    {
        if (pointer_)
            pointer_->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    Interface** put() { return &pointer_; }
    void** putVoid() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

DWORD ErrorOf(HRESULT result) { return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : result; }

// The PNG's bytes in a stream on memory, the rows top first.
HRESULT Encode(IWICImagingFactory* factory, const BITMAPINFOHEADER& header, const BYTE* bits, IStream* stream)
{
    Held<IWICBitmapEncoder> encoder;
    HRESULT result = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put());
    if (SUCCEEDED(result))
        result = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    Held<IWICBitmapFrameEncode> frame;
    if (SUCCEEDED(result))
        result = encoder->CreateNewFrame(frame.put(), nullptr);
    if (SUCCEEDED(result))
        result = frame->Initialize(nullptr);
    const auto width = static_cast<UINT>(header.biWidth);
    const auto height = static_cast<UINT>(header.biHeight);
    if (SUCCEEDED(result))
        result = frame->SetSize(width, height);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(result))
        result = frame->SetPixelFormat(&format);
    if (SUCCEEDED(result) && format != GUID_WICPixelFormat24bppBGR)
        result = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    const UINT stride = (width * 3 + 3) & ~3u;
    for (UINT row = 0; SUCCEEDED(result) && row < height; ++row)
        result = frame->WritePixels(1, stride, stride,
                                    const_cast<BYTE*>(bits + static_cast<std::size_t>(height - 1 - row) * stride));
    if (SUCCEEDED(result))
        result = frame->Commit();
    if (SUCCEEDED(result))
        result = encoder->Commit();
    return result;
}

} // namespace

DWORD SavePng(const BITMAPINFOHEADER& header, const BYTE* bits, const wchar_t* target)
{
    const ComCreateFunction createInstance = StartCom();
    const auto streamOnGlobal = SystemDllFunction<StreamOnGlobalFunction>(L"ole32.dll", "CreateStreamOnHGlobal");
    const auto globalFromStream = SystemDllFunction<GlobalFromStreamFunction>(L"ole32.dll", "GetHGlobalFromStream");
    if (!createInstance || !streamOnGlobal || !globalFromStream || header.biWidth <= 0 ||
        header.biHeight <= 0 || header.biBitCount != 24)
        return ERROR_NOT_SUPPORTED;
    Held<IWICImagingFactory> factory;
    HRESULT result = createInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWICImagingFactory, factory.putVoid());
    Held<IStream> stream;
    if (SUCCEEDED(result))
        result = streamOnGlobal(nullptr, TRUE, stream.put());
    if (SUCCEEDED(result))
        result = Encode(factory.get(), header, bits, stream.get());
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(result))
        result = globalFromStream(stream.get(), &memory);
    STATSTG status{};
    if (SUCCEEDED(result))
        result = stream->Stat(&status, STATFLAG_NONAME);
    if (FAILED(result))
        return ErrorOf(result);
    const auto* bytes = static_cast<const unsigned char*>(GlobalLock(memory));
    if (!bytes)
        return ERROR_NOT_ENOUGH_MEMORY;
    const DWORD error = ReplaceFileSafely(target, bytes, static_cast<std::size_t>(status.cbSize.QuadPart));
    GlobalUnlock(memory);
    return error;
}

// The driver object's life, its two IUnknowns, Initialize and the methods
// that need no device.
#include "Device/CameraUsd.h"

#include "ServerState.h"

namespace {
const int kEventBufferCount = 4;
const int kEventBufferLength = 16;
const DWORD kPortNameChars = 260;
}  // namespace

CCameraUsd::CCameraUsd(IUnknown* punkOuter)
    : m_cRef(1),
      m_csLock(),
      m_punkOuter(punkOuter ? punkOuter : static_cast<CNonDelegatingUnknown*>(this)),
      m_pDcb(NULL),
      m_hDevice(INVALID_HANDLE_VALUE),
      m_szDevicePath(),
      m_pEventPool(NULL)
{
    InitializeCriticalSection(&m_csLock);
    m_pEventPool = CEventPool::Create(kEventBufferCount, kEventBufferLength);
}

CCameraUsd::~CCameraUsd()
{
    if (HasDevice()) CloseHandle(m_hDevice);
    m_hDevice = INVALID_HANDLE_VALUE;
    m_szDevicePath[0] = '\0';
    delete m_pEventPool;
    m_pEventPool = NULL;
    if (m_pDcb) m_pDcb->Release();
    m_pDcb = NULL;
    DeleteCriticalSection(&m_csLock);
}

// ---- The non-delegating IUnknown ------------------------------------------------

HRESULT CCameraUsd::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (!m_pEventPool || !ppv) return E_INVALIDARG;
    *ppv = NULL;
    if (IsEqualIID(riid, IID_IUnknown)) {
        CNonDelegatingUnknown* punk = this;
        *ppv = punk;
        punk->AddRef();
        return S_OK;
    }
    if (IsEqualIID(riid, IID_IStiUSD)) {
        IStiUSD* pUsd = this;
        *ppv = pUsd;
        pUsd->AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG CCameraUsd::NonDelegatingAddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

ULONG CCameraUsd::NonDelegatingRelease()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0) delete this;
    return static_cast<ULONG>(cRef);
}

// ---- IStiUSD's IUnknown slots -------------------------------------------------------

HRESULT CCameraUsd::DelegatingQueryInterface(REFIID riid, void** ppv) { return m_punkOuter->QueryInterface(riid, ppv); }

ULONG CCameraUsd::DelegatingAddRef() { return m_punkOuter->AddRef(); }

ULONG CCameraUsd::DelegatingRelease() { return m_punkOuter->Release(); }

// ---- Initialize --------------------------------------------------------------------

STDMETHODIMP CCameraUsd::Initialize(PSTIDEVICECONTROL pHelDcb, DWORD, HKEY)
{
    if (HasDevice()) return S_OK;
    if (!pHelDcb) return E_INVALIDARG;
    // A call after one that opened nothing replaces the device control it
    // kept; the reference on the old one goes with it.
    pHelDcb->AddRef();
    if (m_pDcb) m_pDcb->Release();
    m_pDcb = pHelDcb;

    WCHAR wszPortName[kPortNameChars];
    wszPortName[0] = L'\0';
    HRESULT hr = m_pDcb->GetMyDevicePortName(wszPortName, kPortNameChars);
    if (FAILED(hr)) return hr;
    wszPortName[kPortNameChars - 1] = L'\0';
    if (wszPortName[0] == L'\0') return hr;
    return OpenPort(wszPortName);
}

HRESULT CCameraUsd::OpenPort(LPCWSTR pwszPortName)
{
    int cbPath = WideCharToMultiByte(CP_ACP, 0, pwszPortName, -1, NULL, 0, NULL, NULL);
    // The path must fit m_szDevicePath with its terminator; a longer one is
    // refused before anything is converted or opened.
    if (cbPath == 0 || cbPath > static_cast<int>(sizeof(m_szDevicePath))) return E_INVALIDARG;
    WideCharToMultiByte(CP_ACP, 0, pwszPortName, -1, m_szDevicePath, cbPath, NULL, NULL);

    m_hDevice = CreateFileA(m_szDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_SYSTEM, NULL);
    if (HasDevice()) return S_OK;
    DWORD dwError = ::GetLastError();
    Trace("CreateFile failed\n");
    return HRESULT_FROM_WIN32(dwError);
}

// ---- Methods without device traffic ------------------------------------------------------

STDMETHODIMP CCameraUsd::GetCapabilities(PSTI_USD_CAPS pDevCaps)
{
    if (!pDevCaps) return E_INVALIDARG;
    pDevCaps->dwVersion = STI_VERSION_REAL;
    pDevCaps->dwGenericCaps = STI_USD_GENCAP_NATIVE_PUSHSUPPORT;
    return S_OK;
}

STDMETHODIMP CCameraUsd::LockDevice() { return S_OK; }

STDMETHODIMP CCameraUsd::UnLockDevice() { return S_OK; }

STDMETHODIMP CCameraUsd::RawReadData(LPVOID, LPDWORD, LPOVERLAPPED) { return E_NOTIMPL; }

STDMETHODIMP CCameraUsd::RawWriteData(LPVOID, DWORD, LPOVERLAPPED) { return E_NOTIMPL; }

STDMETHODIMP CCameraUsd::RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED) { return E_NOTIMPL; }

STDMETHODIMP CCameraUsd::RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED) { return E_NOTIMPL; }

// The camera raises no events: a notification handle is not kept, and there
// is never notification data.
STDMETHODIMP CCameraUsd::SetNotificationHandle(HANDLE) { return S_OK; }

STDMETHODIMP CCameraUsd::GetNotificationData(LPSTINOTIFY) { return HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS); }

// The application framework's core classes: CString, exceptions and CFile
// (library mfccore; the window classes of afxwin.h are in mfc).
//
// As in the platform's framework, exceptions are thrown as pointers to heap
// objects; the catcher calls Delete() on them:
//     try { file.Open(...); } catch (CFileException* e) { e->Delete(); }
#pragma once

#include <windows.h>

#include <stdarg.h>

#include <string>

#define AFX_API WINPLAT_EXPORT
#define AFXAPI
#define PASCAL
#define afx_msg

// Diagnostics of the platform's framework. Its checked build stops on a
// failed ASSERT; this framework is built as the release build, where they
// compile to nothing (VERIFY still evaluates its expression).
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define ASSERT_VALID(p) ((void)0)
#define ASSERT_KINDOF(c, p) ((void)0)
#define TRACE(...) ((void)0)
#define TRACE0(s) ((void)0)
#define TRACE1(s, a) ((void)0)
#define TRACE2(s, a, b) ((void)0)
#define TRACE3(s, a, b, c) ((void)0)
#define DEBUG_ONLY(f) ((void)0)

// ---- CObject and run-time class information -------------------------------------

class CObject;

// What the framework knows of a class at run time: its name and base, and
// how to create one (classes declared DYNCREATE).
struct AFX_API CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
    // A new object of the class, or null when it cannot be created.
    CObject* CreateObject() const;
};

#define RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass*>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name)                   \
public:                                               \
    static const CRuntimeClass class##class_name;     \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, pfnNew)                                    \
    const CRuntimeClass class_name::class##class_name = {#class_name, sizeof(class_name), 0xFFFF, pfnNew, \
                                                         RUNTIME_CLASS(base_class_name)};                \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                \
    CObject* class_name::CreateObject() { return new class_name; }      \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, class_name::CreateObject)

// The root of the framework's classes.
class AFX_API CObject {
public:
    static const CRuntimeClass classCObject;
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    virtual void AssertValid() const {}

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

// ---- CString -----------------------------------------------------------------

class AFX_API CString {
public:
    CString() = default;
    CString(const CString& other) = default;
    CString(LPCSTR text) : text_(text ? text : "") {}
    CString(LPCSTR text, int length);
    CString(char ch, int repeat = 1);
    CString& operator=(const CString& other) = default;
    CString& operator=(LPCSTR text);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(text_.size()); }
    BOOL IsEmpty() const { return text_.empty(); }
    void Empty() { text_.clear(); }
    char GetAt(int index) const;
    void SetAt(int index, char ch);
    char operator[](int index) const { return GetAt(index); }
    operator LPCSTR() const { return text_.c_str(); }

    CString& operator+=(const CString& other);
    CString& operator+=(LPCSTR text);
    CString& operator+=(char ch);
    friend AFX_API CString operator+(const CString& a, const CString& b);
    friend AFX_API CString operator+(const CString& a, LPCSTR b);
    friend AFX_API CString operator+(LPCSTR a, const CString& b);
    friend AFX_API CString operator+(const CString& a, char b);

    int Compare(LPCSTR text) const;
    int CompareNoCase(LPCSTR text) const;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    void MakeUpper();
    void MakeLower();
    void TrimLeft();
    void TrimRight();
    int Find(char ch, int start = 0) const;
    int Find(LPCSTR sub, int start = 0) const;
    int ReverseFind(char ch) const;

    // printf-style formatting; pass strings as LPCSTR.
    void Format(LPCSTR format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(LPCSTR format, va_list args);

    // Direct access to the characters: GetBuffer gives room for at least
    // minLength characters and a terminator; ReleaseBuffer takes the new
    // length (-1: up to the first NUL).
    LPSTR GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);
    LPSTR GetBufferSetLength(int newLength);

    // Loads a string resource (of the program, or of an extension module
    // that has it); FALSE and an empty string when there is none. Resources
    // belong to the window part: this one member is defined in mfc.
    BOOL LoadString(UINT id);

private:
    std::string text_;
};

AFX_API bool operator==(const CString& a, const CString& b);
AFX_API bool operator==(const CString& a, LPCSTR b);
AFX_API bool operator==(LPCSTR a, const CString& b);
AFX_API bool operator!=(const CString& a, const CString& b);
AFX_API bool operator!=(const CString& a, LPCSTR b);
AFX_API bool operator!=(LPCSTR a, const CString& b);
AFX_API bool operator<(const CString& a, const CString& b);

// ---- Exceptions ----------------------------------------------------------------

class AFX_API CException : public CObject {
    DECLARE_DYNAMIC(CException)

public:
    CException() = default;
    // Frees an exception that was thrown with new.
    void Delete() { delete this; }
    virtual BOOL GetErrorMessage(LPSTR error, UINT maxError, PUINT helpContext = nullptr);
};

class AFX_API CMemoryException : public CException {};

// Thrown to stop an operation the user has already been told about (a
// failed data exchange); catchers just delete it.
class AFX_API CUserException : public CException {};
class AFX_API CNotSupportedException : public CException {};
// A resource (window, GDI object) could not be created or loaded.
class AFX_API CResourceException : public CException {};

class AFX_API CFileException : public CException {
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    explicit CFileException(int cause = none, LONG osError = -1, LPCSTR fileName = nullptr)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName)
    {
    }
    BOOL GetErrorMessage(LPSTR error, UINT maxError, PUINT helpContext = nullptr) override;

    static int OsErrorToException(LONG osError);
    static void ThrowOsError(LONG osError, LPCSTR fileName = nullptr);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

[[noreturn]] AFX_API void AFXAPI AfxThrowFileException(int cause, LONG osError = -1, LPCSTR fileName = nullptr);
[[noreturn]] AFX_API void AFXAPI AfxThrowMemoryException();
[[noreturn]] AFX_API void AFXAPI AfxThrowUserException();
[[noreturn]] AFX_API void AFXAPI AfxThrowNotSupportedException();
[[noreturn]] AFX_API void AFXAPI AfxThrowResourceException();

// ---- CFile ---------------------------------------------------------------------

class AFX_API CFile : public CObject {
    DECLARE_DYNAMIC(CFile)

public:
    enum OpenFlags {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };
    static const HANDLE hFileNull;

    CFile();
    // Opens the file or throws a CFileException.
    CFile(LPCSTR fileName, UINT openFlags);
    virtual ~CFile();

    // Returns FALSE and fills *error (when given) instead of throwing.
    virtual BOOL Open(LPCSTR fileName, UINT openFlags, CFileException* error = nullptr);
    // The methods below throw a CFileException on failure.
    virtual UINT Read(void* buffer, UINT count);
    virtual void Write(const void* buffer, UINT count);
    virtual void Flush();
    virtual void Close();
    // Closes without throwing.
    virtual void Abort();
    virtual ULONGLONG Seek(LONGLONG offset, UINT from);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetLength() const;
    virtual CString GetFilePath() const { return m_strFileName; }

    HANDLE m_hFile;

protected:
    CString m_strFileName;
};

#pragma once
// Per-thread trace scopes. A ScopeFrame lives on the stack of the operation that opened it
// and is closed by its destructor, so the thread's chain stays right when an exception
// passes through. Crash and state reports read the chain (see CrashLedger.h).
#include <cstdint>
#include <string>

namespace kov {

enum class WatchType : int32_t {
    Int32 = 2,      // const int32_t* / const uint32_t*
    NarrowText = 5, // const char* const* (a pointer to the text pointer) or std::string*
    WideText = 7,   // std::u16string*
};

// Finer kind of a watched variable inside its type code (the codes stay 2, 5, 7).
enum WatchFlags : uint8_t {
    kWatchSigned = 0,    // Int32: int32_t
    kWatchUnsigned = 1,  // Int32: uint32_t
    kWatchCharPtr = 0,   // NarrowText: const char* const*
    kWatchStdString = 2, // NarrowText: std::string*
    kWatchWithheld = 4,  // text: reports show its length, never its content
};

struct SWatchedVariable {
    const char* szName;
    const void* pAddress;
    WatchType eType;
    SWatchedVariable* pNext;
    uint8_t uFlags; // WatchFlags
};

class ScopeFrame {
public:
    // Opens the scope: it becomes the calling thread's head (szLabel must outlive the scope;
    // labels are string literals).
    explicit ScopeFrame(const char* szLabel);
    // Closes the scope: its enclosing scope becomes the head again.
    ~ScopeFrame();
    ScopeFrame(const ScopeFrame&) = delete;
    ScopeFrame& operator=(const ScopeFrame&) = delete;

    // Adds a watched variable (names are string literals; the variable must stay alive while
    // the scope is open). At most kMaxWatched per scope; further ones are ignored.
    void Watch(const char* szName, const int32_t* pValue);
    void Watch(const char* szName, const uint32_t* pValue);
    void Watch(const char* szName, const std::string* pValue);
    void Watch(const char* szName, const std::u16string* pValue);
    // A narrow C string: pszValue points at the variable holding the text pointer.
    void Watch(const char* szName, const char* const* pszValue);
    // A text that may hold passwords, pass phrases or keys (a parameter document): reports,
    // which other people get to read, show only its length.
    void WatchWithheld(const char* szName, const std::string* pValue);
    void WatchWithheld(const char* szName, const std::u16string* pValue);

    const char* Label() const { return m_szLabel; }
    const SWatchedVariable* FirstWatched() const { return m_pFirst; }
    ScopeFrame* Enclosing() const { return m_pEnclosing; }
    ScopeFrame* Enclosed() const { return m_pEnclosed; }

    // The calling thread's innermost open scope, or nullptr.
    static ScopeFrame* Current();

private:
    void Append(const char* szName, const void* pAddress, WatchType eType, uint8_t uFlags);

    const char* m_szLabel;
    SWatchedVariable* m_pFirst = nullptr;
    SWatchedVariable* m_pLast = nullptr;
    ScopeFrame* m_pEnclosing = nullptr;
    ScopeFrame* m_pEnclosed = nullptr;
    ScopeFrame** m_ppHeadSlot = nullptr;
    // Watched-variable entries live inside the frame: a scope never allocates.
    static constexpr int kMaxWatched = 8;
    SWatchedVariable m_aEntries[kMaxWatched]{};
    int m_iWatched = 0;

public:
    static constexpr int MaxWatched() { return kMaxWatched; }
};

} // namespace kov

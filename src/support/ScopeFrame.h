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

struct SWatchedVariable {
    const char* szName;
    const void* pAddress;
    WatchType eType;
    SWatchedVariable* pNext;
};

class ScopeFrame {
public:
    explicit ScopeFrame(const char* szLabel);
    ~ScopeFrame();
    ScopeFrame(const ScopeFrame&) = delete;
    ScopeFrame& operator=(const ScopeFrame&) = delete;

    void Watch(const char* szName, const int32_t* pValue);
    void Watch(const char* szName, const uint32_t* pValue);
    void Watch(const char* szName, const std::string* pValue);
    void Watch(const char* szName, const std::u16string* pValue);
    // A narrow C string: pszValue points at the variable holding the text pointer.
    void Watch(const char* szName, const char* const* pszValue);

    const char* Label() const { return m_szLabel; }
    const SWatchedVariable* FirstWatched() const { return m_pFirst; }
    ScopeFrame* Enclosing() const { return m_pEnclosing; }
    ScopeFrame* Enclosed() const { return m_pEnclosed; }

    // The calling thread's innermost open scope, or nullptr.
    static ScopeFrame* Current();

private:
    void Append(const char* szName, const void* pAddress, WatchType eType);

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
};

} // namespace kov

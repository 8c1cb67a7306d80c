#include "support/CrashLedger.h"

#include "os/CrashSignals.h"
#include "os/Folders.h"
#include "support/Paths.h"
#include "support/ScopeFrame.h"
#include "support/TextCodec.h"
#include "support/Threads.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

// Everything below that a crash handler runs (the registry walk, the report writer, the value
// rendering, OnCrashSignal) is async-signal-safe: fixed tables and buffers, atomics, no
// allocation, no stdio, no locks that may stay held; OS calls go through os/CrashSignals.

namespace kov {

namespace {

constexpr int kMaxThreads = 256;
constexpr int kNameBytes = 64;
constexpr int kMaxChainDepth = 64;
constexpr size_t kMaxValueBytes = 200;
constexpr size_t kFolderBytes = 1024;

enum : uint32_t { kRecordFree = 0, kRecordClaimed = 1, kRecordLive = 2 };

struct SThreadRecord {
    std::atomic<uint32_t> uState{kRecordFree};
    std::atomic<uint32_t> uChainLock{0};
    // Guarded by uChainLock:
    ScopeFrame* pHead = nullptr; // the head slot
    uint32_t dwThreadId = 0;
    char szName[kNameBytes] = {};
};

constinit SThreadRecord g_aThreads[kMaxThreads];

constinit thread_local SThreadRecord* t_pRecord = nullptr;
constinit thread_local bool t_bTableFull = false;
constinit thread_local ScopeFrame* t_pFallbackHead = nullptr; // when the table is full
constinit thread_local bool t_bHandlerInstalled = false;
constinit thread_local void* t_pAltStack = nullptr;
constinit thread_local bool t_bInFatalReport = false;
constinit thread_local bool t_bThreadEnding = false; // the thread's cleanup ran: no new record

std::atomic<uint32_t> g_dwMainThreadId{MutexWithOwner::kNoOwner};
std::atomic<bool> g_bExceptionUI{false};
std::atomic<FatalReportHook> g_pFatalHook{nullptr};
std::atomic<int32_t> g_iUtcOffset{0};

char g_szAppName[128] = "KOV";
// Report folder, double-buffered so a crash handler always reads a complete text.
char g_aszFolder[2][kFolderBytes] = {};
std::atomic<int> g_iFolder{-1}; // -1: not resolved yet
std::mutex g_settingsLock;      // writers of the app name and the folder
std::mutex g_reportFileLock;    // one fatal report file write at a time

// --- record locks ------------------------------------------------------------------------

void LockRecord(SThreadRecord& record)
{
    while (record.uChainLock.exchange(1, std::memory_order_acquire) != 0)
        std::this_thread::yield();
}

bool TryLockRecordBounded(SThreadRecord& record)
{ // signal-safe
    for (int i = 0; i < 200000; ++i)
        if (record.uChainLock.exchange(1, std::memory_order_acquire) == 0)
            return true;
    return false;
}

void UnlockRecord(SThreadRecord& record)
{
    record.uChainLock.store(0, std::memory_order_release);
}

SThreadRecord* RecordOfSlot(ScopeFrame** ppHeadSlot)
{
    const auto uAddress = reinterpret_cast<uintptr_t>(ppHeadSlot);
    const auto uBase = reinterpret_cast<uintptr_t>(&g_aThreads[0]);
    if (uAddress < uBase || uAddress >= uBase + sizeof g_aThreads)
        return nullptr;
    return &g_aThreads[(uAddress - uBase) / sizeof(SThreadRecord)];
}

void CopyName(char* szDest, size_t nCapacity, const char* szSource)
{
    size_t i = 0;
    if (szSource)
        for (; i + 1 < nCapacity && szSource[i]; ++i)
            szDest[i] = szSource[i];
    szDest[i] = '\0';
}

SThreadRecord* ClaimRecord()
{
    for (SThreadRecord& record : g_aThreads) {
        uint32_t uExpected = kRecordFree;
        if (!record.uState.compare_exchange_strong(uExpected, kRecordClaimed, std::memory_order_acq_rel))
            continue;
        LockRecord(record);
        record.pHead = nullptr;
        record.dwThreadId = CurrentThreadId();
        record.szName[0] = '\0';
        record.uState.store(kRecordLive, std::memory_order_release);
        UnlockRecord(record);
        return &record;
    }
    return nullptr;
}

void ReleaseRecord(SThreadRecord& record)
{
    LockRecord(record);
    record.pHead = nullptr;
    record.dwThreadId = 0;
    record.szName[0] = '\0';
    record.uState.store(kRecordFree, std::memory_order_release);
    UnlockRecord(record);
}

// Ends the thread's registration when the thread ends without FreeThreadExVarsStorage (and
// removes an alternate signal stack left installed, before the runtime tears the thread down).
struct SThreadCleanup {
    bool bArmed = false;
    ~SThreadCleanup()
    {
        t_bThreadEnding = true;
        if (t_pAltStack) {
            os::RemoveThreadCrashStack(t_pAltStack);
            t_pAltStack = nullptr;
        }
        t_bHandlerInstalled = false;
        if (SThreadRecord* pRecord = t_pRecord) {
            t_pRecord = nullptr;
            ReleaseRecord(*pRecord);
        }
    }
};
thread_local SThreadCleanup t_cleanup;

SThreadRecord* OwnRecord()
{
    if (!t_pRecord && !t_bTableFull && !t_bThreadEnding) {
        t_cleanup.bArmed = true;
        t_pRecord = ClaimRecord();
        t_bTableFull = t_pRecord == nullptr;
    }
    return t_pRecord;
}

// --- report writer -----------------------------------------------------------------------

// Writes into a fixed buffer (cut at its end), or through a scratch buffer into up to two
// files, or (not in a signal handler) into a std::string.
class CReportWriter {
public:
    // Fixed buffer of nCapacity bytes, NUL included.
    CReportWriter(char* pBuffer, size_t nCapacity)
        : m_pBuffer(pBuffer), m_nCapacity(nCapacity ? nCapacity - 1 : 0),
          m_bTerminate(pBuffer && nCapacity > 0)
    {}
    // Scratch buffer flushed to the files (signal-safe).
    CReportWriter(char* pScratch, size_t nScratch, int iFile1, int iFile2)
        : m_pBuffer(pScratch), m_nCapacity(nScratch), m_aFiles{iFile1, iFile2}, m_bFlushes(true)
    {}
    // Growing text (not signal-safe).
    explicit CReportWriter(std::string* pText)
        : m_pBuffer(m_aOwnScratch), m_nCapacity(sizeof m_aOwnScratch), m_pText(pText), m_bFlushes(true)
    {}
    ~CReportWriter() { Flush(); }
    CReportWriter(const CReportWriter&) = delete;
    CReportWriter& operator=(const CReportWriter&) = delete;

    void Put(const char* pData, size_t nBytes)
    {
        while (nBytes > 0) {
            if (m_nLength == m_nCapacity) {
                if (!m_bFlushes || m_nCapacity == 0)
                    return; // fixed buffer full: the rest is cut
                Flush();
            }
            size_t nChunk = m_nCapacity - m_nLength;
            if (nChunk > nBytes)
                nChunk = nBytes;
            std::memcpy(m_pBuffer + m_nLength, pData, nChunk);
            m_nLength += nChunk;
            m_nTotal += nChunk;
            pData += nChunk;
            nBytes -= nChunk;
        }
    }
    void Text(const char* szText) { Put(szText, std::strlen(szText)); }
    void Char(char c) { Put(&c, 1); }
    void Unsigned(uint64_t uValue, int iMinDigits = 1)
    {
        char aDigits[24];
        int i = 0;
        do {
            aDigits[i++] = static_cast<char>('0' + uValue % 10);
            uValue /= 10;
        } while (uValue != 0 || i < iMinDigits);
        while (i > 0)
            Char(aDigits[--i]);
    }
    void Signed(int64_t iValue)
    {
        if (iValue < 0) {
            Char('-');
            Unsigned(0 - static_cast<uint64_t>(iValue));
        } else {
            Unsigned(static_cast<uint64_t>(iValue));
        }
    }
    void Hex(uint64_t uValue, int iDigits)
    {
        static const char kHex[] = "0123456789ABCDEF";
        Text("0x");
        for (int i = iDigits - 1; i >= 0; --i)
            Char(kHex[(uValue >> (4 * i)) & 0xF]);
    }
    // A value in double quotes; control characters, quotes and backslashes escaped.
    void Quoted(const char* pText, size_t nBytes)
    {
        Char('"');
        for (size_t i = 0; i < nBytes; ++i) {
            const char c = pText[i];
            if (c == '"' || c == '\\') {
                Char('\\');
                Char(c);
            } else if (c == '\n') {
                Text("\\n");
            } else if (c == '\r') {
                Text("\\r");
            } else if (c == '\t') {
                Text("\\t");
            } else if (static_cast<unsigned char>(c) < 0x20) {
                Text("\\x");
                static const char kHex[] = "0123456789ABCDEF";
                Char(kHex[(c >> 4) & 0xF]);
                Char(kHex[c & 0xF]);
            } else {
                Char(c);
            }
        }
        Char('"');
    }

    void Flush()
    {
        if (!m_bFlushes || m_nLength == 0)
            return;
        if (m_pText) {
            m_pText->append(m_pBuffer, m_nLength);
        } else {
            for (int iFile : m_aFiles)
                os::CrashFileWrite(iFile, m_pBuffer, m_nLength);
        }
        m_nLength = 0;
    }
    // Fixed-buffer mode: terminates the text and returns its length.
    int Finish()
    {
        if (m_bFlushes)
            return static_cast<int>(m_nTotal);
        if (m_bTerminate)
            m_pBuffer[m_nLength] = '\0';
        return static_cast<int>(m_nLength);
    }
    size_t Total() const { return m_nTotal; }

private:
    char* m_pBuffer;
    size_t m_nCapacity;
    size_t m_nLength = 0;
    size_t m_nTotal = 0;
    int m_aFiles[2] = {-1, -1};
    std::string* m_pText = nullptr;
    bool m_bFlushes = false;
    bool m_bTerminate = false;
    char m_aOwnScratch[1024];
};

// --- reading what the scopes point at without faulting ------------------------------------

bool Readable(const void* pAddress, size_t nBytes)
{
    if (!pAddress)
        return false;
    char aScratch[256];
    const auto* pBytes = static_cast<const char*>(pAddress);
    while (nBytes > 0) {
        const size_t nChunk = nBytes < sizeof aScratch ? nBytes : sizeof aScratch;
        if (os::CrashSafeCopy(aScratch, pBytes, nChunk) != nChunk)
            return false;
        pBytes += nChunk;
        nBytes -= nChunk;
    }
    return true;
}

// Copies a NUL-terminated text of at most nMax bytes; returns its length, or -1 if its start
// is unreadable. *pbCut tells whether the text went on beyond nMax (or into unreadable memory).
long SafeText(const char* szText, char* pOut, size_t nMax, bool* pbCut)
{
    *pbCut = false;
    size_t nLength = 0;
    while (nLength < nMax) {
        size_t nChunk = 64;
        if (nChunk > nMax - nLength)
            nChunk = nMax - nLength;
        const size_t nGot = os::CrashSafeCopy(pOut + nLength, szText + nLength, nChunk);
        for (size_t i = 0; i < nGot; ++i)
            if (pOut[nLength + i] == '\0')
                return static_cast<long>(nLength + i);
        nLength += nGot;
        if (nGot < nChunk) {
            if (nLength == 0)
                return -1;
            *pbCut = true;
            return static_cast<long>(nLength);
        }
    }
    *pbCut = true;
    return static_cast<long>(nLength);
}

void WriteSafeLabel(CReportWriter& writer, const char* szText)
{
    char aText[96];
    bool bCut = false;
    const long iLength = SafeText(szText, aText, sizeof aText, &bCut);
    if (iLength < 0) {
        writer.Text("<unreadable>");
        return;
    }
    writer.Put(aText, static_cast<size_t>(iLength));
    if (bCut)
        writer.Text("...");
}

void WriteNarrowValue(CReportWriter& writer, const char* pText, size_t nBytes, bool bKnownLength)
{
    char aText[kMaxValueBytes];
    bool bCut = false;
    long iLength;
    if (bKnownLength) {
        const size_t nWant = nBytes < sizeof aText ? nBytes : sizeof aText;
        const size_t nGot = os::CrashSafeCopy(aText, pText, nWant);
        if (nGot == 0 && nWant > 0) {
            writer.Text("<unreadable>");
            return;
        }
        iLength = static_cast<long>(nGot);
        bCut = nGot < nBytes;
    } else {
        iLength = SafeText(pText, aText, sizeof aText, &bCut);
        if (iLength < 0) {
            writer.Text("<unreadable>");
            return;
        }
    }
    writer.Quoted(aText, static_cast<size_t>(iLength));
    if (bCut)
        writer.Text("...");
    if (bKnownLength && bCut) {
        writer.Text(" (");
        writer.Unsigned(nBytes);
        writer.Text(" bytes)");
    }
}

void WriteWideValue(CReportWriter& writer, const char16_t* pText, size_t nUnits)
{
    constexpr size_t kMaxUnits = kMaxValueBytes / 2;
    char16_t aUnits[kMaxUnits];
    const size_t nWant = nUnits < kMaxUnits ? nUnits : kMaxUnits;
    const size_t nGot = os::CrashSafeCopy(aUnits, pText, nWant * sizeof(char16_t)) / sizeof(char16_t);
    if (nGot == 0 && nWant > 0) {
        writer.Text("<unreadable>");
        return;
    }
    // UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
    char aUtf8[kMaxUnits * 3];
    size_t nOut = 0;
    for (size_t i = 0; i < nGot; ++i) {
        uint32_t uCode = aUnits[i];
        if (uCode >= 0xD800 && uCode <= 0xDBFF && i + 1 < nGot && aUnits[i + 1] >= 0xDC00 &&
            aUnits[i + 1] <= 0xDFFF) {
            uCode = 0x10000 + ((uCode - 0xD800) << 10) + (aUnits[i + 1] - 0xDC00u);
            ++i;
        } else if (uCode >= 0xD800 && uCode <= 0xDFFF) {
            uCode = 0xFFFD;
        }
        if (uCode < 0x80) {
            aUtf8[nOut++] = static_cast<char>(uCode);
        } else if (uCode < 0x800) {
            aUtf8[nOut++] = static_cast<char>(0xC0 | (uCode >> 6));
            aUtf8[nOut++] = static_cast<char>(0x80 | (uCode & 0x3F));
        } else if (uCode < 0x10000) {
            aUtf8[nOut++] = static_cast<char>(0xE0 | (uCode >> 12));
            aUtf8[nOut++] = static_cast<char>(0x80 | ((uCode >> 6) & 0x3F));
            aUtf8[nOut++] = static_cast<char>(0x80 | (uCode & 0x3F));
        } else {
            if (nOut + 4 > sizeof aUtf8)
                break;
            aUtf8[nOut++] = static_cast<char>(0xF0 | (uCode >> 18));
            aUtf8[nOut++] = static_cast<char>(0x80 | ((uCode >> 12) & 0x3F));
            aUtf8[nOut++] = static_cast<char>(0x80 | ((uCode >> 6) & 0x3F));
            aUtf8[nOut++] = static_cast<char>(0x80 | (uCode & 0x3F));
        }
        if (nOut + 4 > sizeof aUtf8)
            break;
    }
    writer.Quoted(aUtf8, nOut);
    if (nGot < nUnits) {
        writer.Text("... (");
        writer.Unsigned(nUnits);
        writer.Text(" units)");
    }
}

// A text watched as withheld: its length, read like the text itself would be.
void WriteWithheldValue(CReportWriter& writer, const SWatchedVariable& variable)
{
    size_t nLength = 0;
    const char* szUnit = " bytes>";
    if (variable.eType == WatchType::WideText && Readable(variable.pAddress, sizeof(std::u16string))) {
        nLength = static_cast<const std::u16string*>(variable.pAddress)->size();
        szUnit = " units>";
    } else if (variable.eType == WatchType::NarrowText && (variable.uFlags & kWatchStdString) &&
               Readable(variable.pAddress, sizeof(std::string))) {
        nLength = static_cast<const std::string*>(variable.pAddress)->size();
    } else {
        writer.Text("<withheld>");
        return;
    }
    writer.Text("<withheld, ");
    writer.Unsigned(nLength);
    writer.Text(szUnit);
}

void WriteWatchedValue(CReportWriter& writer, const SWatchedVariable& variable)
{
    const void* pAddress = variable.pAddress;
    if (variable.uFlags & kWatchWithheld) {
        WriteWithheldValue(writer, variable);
        return;
    }
    switch (variable.eType) {
    case WatchType::Int32: {
        uint32_t uValue = 0;
        if (os::CrashSafeCopy(&uValue, pAddress, sizeof uValue) != sizeof uValue) {
            writer.Text("<unreadable>");
            return;
        }
        if (variable.uFlags & kWatchUnsigned) {
            writer.Unsigned(uValue);
            if (uValue > 0x7FFFFFFFu) {
                writer.Text(" (");
                writer.Hex(uValue, 8);
                writer.Char(')');
            }
        } else {
            const auto iValue = static_cast<int32_t>(uValue);
            writer.Signed(iValue);
            if (iValue < 0) {
                writer.Text(" (");
                writer.Hex(uValue, 8);
                writer.Char(')');
            }
        }
        return;
    }
    case WatchType::NarrowText: {
        if (variable.uFlags & kWatchStdString) {
            if (!Readable(pAddress, sizeof(std::string))) {
                writer.Text("<unreadable>");
                return;
            }
            const auto* pString = static_cast<const std::string*>(pAddress);
            WriteNarrowValue(writer, pString->data(), pString->size(), true);
            return;
        }
        const char* pText = nullptr;
        if (os::CrashSafeCopy(&pText, pAddress, sizeof pText) != sizeof pText) {
            writer.Text("<unreadable>");
            return;
        }
        if (!pText) {
            writer.Text("(null)");
            return;
        }
        WriteNarrowValue(writer, pText, 0, false);
        return;
    }
    case WatchType::WideText: {
        if (!Readable(pAddress, sizeof(std::u16string))) {
            writer.Text("<unreadable>");
            return;
        }
        const auto* pString = static_cast<const std::u16string*>(pAddress);
        WriteWideValue(writer, pString->data(), pString->size());
        return;
    }
    }
    writer.Text("<unknown type>");
}

// The scopes of one chain, innermost first. pHead's frames must stay alive meanwhile (their
// thread's record is locked, or it is the calling thread's own chain).
void WriteChain(CReportWriter& writer, const ScopeFrame* pHead, const char* szIndent)
{
    if (!pHead) {
        writer.Text(szIndent);
        writer.Text("(no open scopes)\n");
        return;
    }
    int iDepth = 0;
    for (const ScopeFrame* pScope = pHead; pScope; pScope = pScope->Enclosing()) {
        if (++iDepth > kMaxChainDepth) {
            writer.Text(szIndent);
            writer.Text("...\n");
            return;
        }
        if (!Readable(pScope, sizeof(ScopeFrame))) {
            writer.Text(szIndent);
            writer.Text("<unreadable scope>\n");
            return;
        }
        writer.Text(szIndent);
        WriteSafeLabel(writer, pScope->Label());
        writer.Char('\n');
        int iWatched = 0;
        for (const SWatchedVariable* pVariable = pScope->FirstWatched(); pVariable;
             pVariable = pVariable->pNext) {
            if (++iWatched > ScopeFrame::MaxWatched() || !Readable(pVariable, sizeof *pVariable))
                break;
            writer.Text(szIndent);
            writer.Text("  ");
            WriteSafeLabel(writer, pVariable->szName);
            writer.Text(" = ");
            WriteWatchedValue(writer, *pVariable);
            writer.Char('\n');
        }
    }
}

void WriteThreadHeading(CReportWriter& writer, const SThreadRecord& record, bool bCrashed)
{
    writer.Text("Thread \"");
    writer.Text(record.szName[0] ? record.szName : "(unnamed)");
    writer.Text("\" (id ");
    writer.Unsigned(record.dwThreadId);
    writer.Char(')');
    if (record.dwThreadId == g_dwMainThreadId.load(std::memory_order_relaxed))
        writer.Text(" [main thread]");
    if (bCrashed)
        writer.Text(" [crashed here]");
    writer.Char('\n');
}

// One registered thread. In a signal handler (bSignal) another thread's lock is only tried for
// a while: the chain is then read unlocked, every read guarded.
bool WriteRecord(CReportWriter& writer, SThreadRecord& record, bool bSignal)
{
    const bool bOwn = &record == t_pRecord;
    bool bLocked = false;
    if (!bOwn) {
        if (bSignal)
            bLocked = TryLockRecordBounded(record);
        else {
            LockRecord(record);
            bLocked = true;
        }
    }
    bool bWritten = false;
    if (record.uState.load(std::memory_order_acquire) == kRecordLive) {
        WriteThreadHeading(writer, record, bSignal && bOwn);
        WriteChain(writer, record.pHead, "  ");
        bWritten = true;
    }
    if (bLocked)
        UnlockRecord(record);
    return bWritten;
}

// Every registered thread; the calling thread first when bSignal (the crashed one).
int WriteAllThreads(CReportWriter& writer, bool bSignal)
{
    int iThreads = 0;
    SThreadRecord* pOwn = t_pRecord;
    if (bSignal && pOwn && WriteRecord(writer, *pOwn, true))
        ++iThreads;
    for (SThreadRecord& record : g_aThreads) {
        if (bSignal && &record == pOwn)
            continue;
        if (record.uState.load(std::memory_order_acquire) != kRecordLive)
            continue;
        if (WriteRecord(writer, record, bSignal))
            ++iThreads;
    }
    return iThreads;
}

// --- time and file names -----------------------------------------------------------------

struct SLocalTime {
    int iYear, iMonth, iDay, iHour, iMinute, iSecond;
};

SLocalTime LocalTimeOf(int64_t tUnix)
{ // signal-safe (uses the remembered UTC offset)
    const int64_t tLocal = tUnix + g_iUtcOffset.load(std::memory_order_relaxed);
    int64_t iDays = tLocal / 86400;
    int64_t iSeconds = tLocal % 86400;
    if (iSeconds < 0) {
        iSeconds += 86400;
        --iDays;
    }
    // Civil date from days since 1970-01-01 (H. Hinnant's algorithm).
    iDays += 719468;
    const int64_t iEra = (iDays >= 0 ? iDays : iDays - 146096) / 146097;
    const int64_t iDayOfEra = iDays - iEra * 146097;
    const int64_t iYearOfEra = (iDayOfEra - iDayOfEra / 1460 + iDayOfEra / 36524 - iDayOfEra / 146096) / 365;
    const int64_t iDayOfYear = iDayOfEra - (365 * iYearOfEra + iYearOfEra / 4 - iYearOfEra / 100);
    const int64_t iMonthIndex = (5 * iDayOfYear + 2) / 153;
    const int iDay = static_cast<int>(iDayOfYear - (153 * iMonthIndex + 2) / 5 + 1);
    const int iMonth = static_cast<int>(iMonthIndex < 10 ? iMonthIndex + 3 : iMonthIndex - 9);
    const int iYear = static_cast<int>(iYearOfEra + iEra * 400 + (iMonth <= 2 ? 1 : 0));
    return {iYear,
            iMonth,
            iDay,
            static_cast<int>(iSeconds / 3600),
            static_cast<int>(iSeconds / 60 % 60),
            static_cast<int>(iSeconds % 60)};
}

void RefreshUtcOffset()
{
    g_iUtcOffset.store(os::LocalUtcOffsetSeconds(os::CrashUnixTime()), std::memory_order_relaxed);
}

void WriteLocalTime(CReportWriter& writer, const SLocalTime& time)
{
    writer.Unsigned(static_cast<uint64_t>(time.iYear), 4);
    writer.Char('-');
    writer.Unsigned(static_cast<uint64_t>(time.iMonth), 2);
    writer.Char('-');
    writer.Unsigned(static_cast<uint64_t>(time.iDay), 2);
    writer.Char(' ');
    writer.Unsigned(static_cast<uint64_t>(time.iHour), 2);
    writer.Char(':');
    writer.Unsigned(static_cast<uint64_t>(time.iMinute), 2);
    writer.Char(':');
    writer.Unsigned(static_cast<uint64_t>(time.iSecond), 2);
}

const char* PublishedFolder()
{ // signal-safe; "" when none
    const int iIndex = g_iFolder.load(std::memory_order_acquire);
    return iIndex < 0 ? "" : g_aszFolder[iIndex];
}

// "<folder>/<prefix>_YYYY_MM_DD_hh_mm_ss.txt" into szPath; false when no folder is known or the
// path does not fit. Signal-safe.
bool BuildReportPath(char* szPath, size_t nCapacity, const char* szPrefix, const SLocalTime& time)
{
    const char* szFolder = PublishedFolder();
    if (!*szFolder)
        return false;
    CReportWriter writer(szPath, nCapacity);
    writer.Text(szFolder);
    writer.Char('/');
    writer.Text(szPrefix);
    const int aParts[6] = {time.iYear, time.iMonth, time.iDay, time.iHour, time.iMinute, time.iSecond};
    for (int i = 0; i < 6; ++i) {
        writer.Char('_');
        writer.Unsigned(static_cast<uint64_t>(aParts[i]), i == 0 ? 4 : 2);
    }
    writer.Text(".txt");
    const int iLength = writer.Finish();
    return static_cast<size_t>(iLength) + 1 < nCapacity;
}

std::string DefaultReportFolder()
{
    const char* szDataHome = std::getenv("XDG_DATA_HOME");
    if (szDataHome && szDataHome[0] == '/')
        return std::string(szDataHome) + "/KOV";
    const char* szHome = std::getenv("HOME");
    if (szHome && szHome[0])
        return std::string(szHome) + "/.local/share/KOV";
    std::error_code error;
    const std::filesystem::path tempPath = std::filesystem::temp_directory_path(error);
    return (error ? std::filesystem::path("/tmp") : tempPath).string() + "/KOV";
}

void PublishFolder(const std::string& sFolder)
{
    std::lock_guard<std::mutex> guard(g_settingsLock);
    const int iNext = g_iFolder.load() == 0 ? 1 : 0;
    CopyName(g_aszFolder[iNext], kFolderBytes, sFolder.c_str());
    g_iFolder.store(iNext, std::memory_order_release);
}

void EnsureFolderPublished()
{
    if (g_iFolder.load(std::memory_order_acquire) < 0)
        PublishFolder(DefaultReportFolder());
}

// The report folder with its missing parents, each made for the user alone (not signal-safe).
void MakeReportFolder()
{
    CreateDirectoryPath(Utf8ToUtf16(PublishedFolder()));
}

// --- crash report (signal handler) -------------------------------------------------------

char g_aCrashScratch[4096];

void OnCrashSignal(int /*iSignal*/, const char* szSignalName, const void* pFaultAddress)
{
    const SLocalTime time = LocalTimeOf(os::CrashUnixTime());
    char szPath[kFolderBytes + 64];
    int iFile = -1;
    if (BuildReportPath(szPath, sizeof szPath, "CrashReport", time)) {
        iFile = os::CrashFileOpen(szPath);
        if (iFile < 0 && os::MakePrivateDirectory(PublishedFolder()))
            iFile = os::CrashFileOpen(szPath);
    }
    CReportWriter writer(g_aCrashScratch, sizeof g_aCrashScratch, os::kCrashStderr, iFile);
    writer.Text("\n*** ");
    writer.Text(g_szAppName);
    writer.Text(" crashed: ");
    writer.Text(szSignalName);
    if (pFaultAddress) {
        writer.Text(", address ");
        writer.Hex(reinterpret_cast<uintptr_t>(pFaultAddress), static_cast<int>(2 * sizeof(void*)));
    }
    writer.Text(", thread id ");
    writer.Unsigned(CurrentThreadId());
    writer.Text("\nTime: ");
    WriteLocalTime(writer, time);
    writer.Text("\nProcess: ");
    writer.Unsigned(os::CurrentProcessId());
    if (iFile >= 0) {
        writer.Text("\nReport file: ");
        writer.Text(szPath);
    }
    writer.Text("\n\n");
    if (WriteAllThreads(writer, true) == 0)
        writer.Text("(no registered threads)\n");
    writer.Text("*** end of crash report\n");
    writer.Flush();
    os::CrashFileClose(iFile);
}

// --- fatal reports -----------------------------------------------------------------------

void WriteFatalReport(const char* szKind, const char* szText)
{
    RefreshUtcOffset();
    EnsureFolderPublished();
    const SLocalTime time = LocalTimeOf(os::CrashUnixTime());
    std::string sReport;
    {
        CReportWriter writer(&sReport);
        writer.Text("*** ");
        writer.Text(g_szAppName);
        writer.Text(": ");
        writer.Text(szKind);
        writer.Text(": ");
        writer.Text(szText);
        writer.Text("\nTime: ");
        WriteLocalTime(writer, time);
        writer.Text("\nProcess: ");
        writer.Unsigned(os::CurrentProcessId());
        writer.Text(", calling thread id ");
        writer.Unsigned(CurrentThreadId());
        writer.Text("\n\n");
        if (WriteAllThreads(writer, false) == 0)
            writer.Text("(no registered threads)\n");
        writer.Text("*** end of report\n");
    }
    os::CrashFileWrite(os::kCrashStderr, sReport.data(), sReport.size());

    char szPath[kFolderBytes + 64];
    if (!BuildReportPath(szPath, sizeof szPath, "ErrorReport", time))
        return;
    MakeReportFolder();
    std::lock_guard<std::mutex> guard(g_reportFileLock);
    const int iFile = os::CrashFileOpen(szPath);
    os::CrashFileWrite(iFile, sReport.data(), sReport.size());
    os::CrashFileClose(iFile);
}

void FatalReport(const char* szKind, const char* szText)
{
    if (!szText)
        szText = "";
    if (t_bInFatalReport) {
        // Reported again while reporting (from a hook, or from code the report ran): text only.
        os::CrashFileWrite(os::kCrashStderr, szKind, std::strlen(szKind));
        os::CrashFileWrite(os::kCrashStderr, ": ", 2);
        os::CrashFileWrite(os::kCrashStderr, szText, std::strlen(szText));
        os::CrashFileWrite(os::kCrashStderr, "\n", 1);
    } else {
        t_bInFatalReport = true;
        try {
            WriteFatalReport(szKind, szText);
        } catch (...) {
            // Allocation failure while reporting: the report is lost, execution continues.
        }
        t_bInFatalReport = false;
    }
    if (FatalReportHook pHook = g_pFatalHook.load())
        pHook(szKind, szText);
}

} // namespace

// --- public interface --------------------------------------------------------------------

void SetMainThreadID()
{
    g_dwMainThreadId.store(CurrentThreadId());
}

void SetWin32ExceptionAppName(const char* szAppName)
{
    std::lock_guard<std::mutex> guard(g_settingsLock);
    CopyName(g_szAppName, sizeof g_szAppName, szAppName && *szAppName ? szAppName : "KOV");
}

void EnableExceptionUI(bool bEnable)
{
    g_bExceptionUI.store(bEnable);
}
bool ExceptionUIEnabled()
{
    return g_bExceptionUI.load();
}

void InstallThreadExceptionHandler(const char* szThreadName)
{
    if (t_bHandlerInstalled || t_bThreadEnding)
        return;
    t_bHandlerInstalled = true;
    t_cleanup.bArmed = true;
    if (SThreadRecord* pRecord = OwnRecord()) {
        LockRecord(*pRecord);
        CopyName(pRecord->szName, kNameBytes, szThreadName);
        UnlockRecord(*pRecord);
    }
    if (os::CrashSignalHandlersInstalled()) {
        t_pAltStack = os::InstallThreadCrashStack();
        RefreshUtcOffset(); // crash reports name their files in local time without a time zone lookup
    }
}

void UninstallThreadExceptionHandler()
{
    if (!t_bHandlerInstalled)
        return;
    if (t_pAltStack) {
        os::RemoveThreadCrashStack(t_pAltStack);
        t_pAltStack = nullptr;
    }
    t_bHandlerInstalled = false;
}

ScopeFrame** GetAllocExVarsStorage()
{
    if (SThreadRecord* pRecord = OwnRecord())
        return &pRecord->pHead;
    return &t_pFallbackHead;
}

void FreeThreadExVarsStorage()
{
    SThreadRecord* pRecord = t_pRecord;
    if (!pRecord)
        return;
    LockRecord(*pRecord);
    const bool bScopesOpen = pRecord->pHead != nullptr;
    UnlockRecord(*pRecord);
    if (bScopesOpen)
        return; // kept until the thread ends
    t_pRecord = nullptr;
    ReleaseRecord(*pRecord);
}

void FatalProgramError(const char* szText)
{
    FatalReport("FatalProgramError", szText);
}
void FatalProgramState(const char* szText)
{
    FatalReport("FatalProgramState", szText);
}

int WriteThreadsStateReport(char* szBuffer, int iCapacity)
{
    if (!szBuffer || iCapacity <= 0)
        return 0;
    CReportWriter writer(szBuffer, static_cast<size_t>(iCapacity));
    if (WriteAllThreads(writer, false) == 0) {
        szBuffer[0] = '\0';
        return 0;
    }
    return writer.Finish();
}

int WriteCurrentThreadScopes(char* szBuffer, int iCapacity)
{
    if (!szBuffer || iCapacity <= 0)
        return 0;
    CReportWriter writer(szBuffer, static_cast<size_t>(iCapacity));
    WriteChain(writer, *GetAllocExVarsStorage(), "");
    return writer.Finish();
}

void SetReportFolder(const std::string& sFolder)
{
    RefreshUtcOffset();
    PublishFolder(sFolder.empty() ? DefaultReportFolder() : sFolder);
}

std::string ReportFolder()
{
    EnsureFolderPublished();
    std::lock_guard<std::mutex> guard(g_settingsLock);
    return PublishedFolder();
}

void SetFatalReportHook(FatalReportHook pHook)
{
    g_pFatalHook.store(pHook);
}

void InitCrashReporting(const char* szAppName, bool bEnableUI)
{
    SetMainThreadID();
    SetWin32ExceptionAppName(szAppName);
    RefreshUtcOffset();
    EnsureFolderPublished();
    MakeReportFolder();
    os::InstallCrashSignalHandlers(&OnCrashSignal);
    InstallThreadExceptionHandler("Main Thread");
    EnableExceptionUI(bEnableUI);
}

void ShutdownCrashReporting()
{
    os::UninstallCrashSignalHandlers();
}

namespace crash_detail {

void LockChain(ScopeFrame** ppHeadSlot)
{
    if (SThreadRecord* pRecord = RecordOfSlot(ppHeadSlot))
        LockRecord(*pRecord);
}

void UnlockChain(ScopeFrame** ppHeadSlot)
{
    if (SThreadRecord* pRecord = RecordOfSlot(ppHeadSlot))
        UnlockRecord(*pRecord);
}

} // namespace crash_detail

} // namespace kov

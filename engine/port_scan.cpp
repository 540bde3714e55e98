#include "engine/port_scan.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>

#include "common/handles.h"

namespace {
// Connections opened between the size query and the fetch make the fetch fail
// with ERROR_INSUFFICIENT_BUFFER; a busy table gets a few more tries, each
// with the size the failed fetch reported.
constexpr int kFetchAttempts = 4;

constexpr DWORD kEstablished = 5; // MIB_TCP_STATE_ESTAB

// The port of a row's port field: network byte order in the low 16 bits.
inline unsigned PortOf(DWORD field)
{
    return ((field & 0xFFu) << 8) | ((field >> 8) & 0xFFu);
}

// The watched ports as a bit per port number, so a row costs the same however
// long the list is. A port leaves the set when it is found, which also keeps
// the found list free of repeats without searching it.
class CPortMatcher
{
public:
    CPortMatcher(const CPortList& watched, int endpoint)
        : m_local((endpoint & 1) != 0), m_remote((endpoint & 2) != 0)
    {
        for (int port : watched) {
            if (port < 1 || port > 65535 || IsPending(static_cast<unsigned>(port)))
                continue;
            m_pending[port >> 5] |= 1u << (port & 31);
            ++m_remaining;
        }
        if (!m_local && !m_remote)
            m_remaining = 0;
    }

    // False once there is nothing left to look for.
    bool Wanted() const { return m_remaining > 0 && !m_outOfMemory; }

    // Looks at one row; false when the scan can stop.
    bool Row(DWORD state, DWORD localPort, DWORD remotePort)
    {
        if (state != kEstablished)
            return true;
        if (m_local)
            Check(PortOf(localPort));
        if (m_remote)
            Check(PortOf(remotePort));
        return Wanted();
    }

    CPortList TakeFound()
    {
        std::sort(m_found.begin(), m_found.end());
        return std::move(m_found);
    }

private:
    bool IsPending(unsigned port) const { return (m_pending[port >> 5] >> (port & 31)) & 1u; }

    void Check(unsigned port)
    {
        if (!IsPending(port))
            return;
        try {
            m_found.push_back(static_cast<int>(port));
        } catch (const std::bad_alloc&) {
            m_outOfMemory = true;
            return;
        }
        m_pending[port >> 5] &= ~(1u << (port & 31));
        --m_remaining;
    }

    std::uint32_t m_pending[65536 / 32] = {};
    int m_remaining = 0;
    bool m_local;
    bool m_remote;
    bool m_outOfMemory = false;
    CPortList m_found;
};

// The table calls, unsorted, by the kind of table.
DWORD Fetch(IPowerSystem& system, MIB_TCPTABLE* table, DWORD* size)
{
    return system.GetTcpTable(table, size, FALSE);
}

DWORD Fetch(IPowerSystem& system, MIB_TCP6TABLE* table, DWORD* size)
{
    return system.GetTcp6Table(table, size, FALSE);
}

// A size query, then fetches into `block` of `allocated` bytes. True with a
// complete table.
template <class Table>
bool FetchTable(IPowerSystem& system, CHeapBlock& block, DWORD* allocated)
{
    DWORD size = 0;
    if (Fetch(system, static_cast<Table*>(nullptr), &size) != ERROR_INSUFFICIENT_BUFFER)
        return false;
    for (int attempt = 0; attempt < kFetchAttempts; ++attempt) {
        if (size < sizeof(DWORD) || !block.Allocate(size))
            return false;
        *allocated = size;
        DWORD result = Fetch(system, block.As<Table>(), &size);
        if (result == NO_ERROR)
            return true;
        if (result != ERROR_INSUFFICIENT_BUFFER)
            return false;
    }
    return false;
}

// The rows of `table` that lie within the block that holds it.
template <class Table>
DWORD RowCount(const Table* table, SIZE_T blockSize)
{
    SIZE_T room = (blockSize - offsetof(Table, table)) / sizeof(table->table[0]);
    return static_cast<DWORD>(std::min<SIZE_T>(table->dwNumEntries, room));
}

inline DWORD StateOf(const MIB_TCPROW& row)
{
    return row.dwState;
}
inline DWORD StateOf(const MIB_TCP6ROW& row)
{
    return static_cast<DWORD>(row.State);
}

// Reads one table and hands its rows to `matcher` until it has nothing left
// to look for.
template <class Table>
void ScanTable(IPowerSystem& system, CPortMatcher& matcher)
{
    CHeapBlock block;
    DWORD blockSize = 0;
    if (!FetchTable<Table>(system, block, &blockSize))
        return;
    const auto* table = block.As<Table>();
    const auto* row = table->table;
    const auto* end = row + RowCount(table, blockSize);
    for (; row != end; ++row) {
        if (!matcher.Row(StateOf(*row), row->dwLocalPort, row->dwRemotePort))
            return;
    }
}
} // namespace

CPortList FindActivePorts(IPowerSystem& system, const CPortList& watched, int endpoint)
{
    CPortMatcher matcher(watched, endpoint);
    if (matcher.Wanted())
        ScanTable<MIB_TCPTABLE>(system, matcher);
    if (matcher.Wanted())
        ScanTable<MIB_TCP6TABLE>(system, matcher);
    return matcher.TakeFound();
}

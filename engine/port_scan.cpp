// Winsock's headers must come before <windows.h>; they declare the address
// texts of <mstcpip.h>.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "engine/port_scan.h"

#include <mstcpip.h>

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

// Ports as a bit per port number, so a row costs the same however long the
// watched list is.
class CPortSet
{
public:
    // The valid ports of `ports`; the count of distinct ones.
    int Add(const CPortList& ports)
    {
        int added = 0;
        for (int port : ports) {
            if (port < 1 || port > 65535 || Has(static_cast<unsigned>(port)))
                continue;
            m_bits[port >> 5] |= 1u << (port & 31);
            ++added;
        }
        return added;
    }
    bool Has(unsigned port) const { return (m_bits[port >> 5] >> (port & 31)) & 1u; }
    void Remove(unsigned port) { m_bits[port >> 5] &= ~(1u << (port & 31)); }

private:
    std::uint32_t m_bits[65536 / 32] = {};
};

// The watched ports that have not been seen yet. A port leaves the set when
// it is found, which also keeps the found list free of repeats without
// searching it.
class CPortMatcher
{
public:
    CPortMatcher(const CPortList& watched, Endpoint endpoint)
        : m_remaining(m_pending.Add(watched)), m_local(MatchesLocal(endpoint)),
          m_remote(MatchesRemote(endpoint))
    {
        if (!m_local && !m_remote)
            m_remaining = 0;
    }

    // False once there is nothing left to look for.
    bool Wanted() const { return m_remaining > 0 && !m_outOfMemory; }

    // Looks at one row; false when the scan can stop.
    template <class Row>
    bool operator()(const Row& row)
    {
        if (StateOf(row) != kEstablished)
            return true;
        if (m_local)
            Check(PortOf(row.dwLocalPort));
        if (m_remote)
            Check(PortOf(row.dwRemotePort));
        return Wanted();
    }

    CPortList TakeFound()
    {
        std::sort(m_found.begin(), m_found.end());
        return std::move(m_found);
    }

    static DWORD StateOf(const MIB_TCPROW& row) { return row.dwState; }
    static DWORD StateOf(const MIB_TCP6ROW& row) { return static_cast<DWORD>(row.State); }

private:
    void Check(unsigned port)
    {
        if (!m_pending.Has(port))
            return;
        try {
            m_found.push_back(static_cast<int>(port));
        } catch (const std::bad_alloc&) {
            m_outOfMemory = true;
            return;
        }
        m_pending.Remove(port);
        --m_remaining;
    }

    CPortSet m_pending;
    int m_remaining;
    bool m_local;
    bool m_remote;
    bool m_outOfMemory = false;
    CPortList m_found;
};

// The other end's address as text, without a scope: Wine gives ::1 one.
std::wstring RemoteAddressOf(const MIB_TCPROW& row)
{
    IN_ADDR address;
    address.s_addr = row.dwRemoteAddr;
    wchar_t text[16] = {};
    RtlIpv4AddressToStringW(&address, text);
    return text;
}

std::wstring RemoteAddressOf(const MIB_TCP6ROW& row)
{
    wchar_t text[46] = {};
    RtlIpv6AddressToStringW(&row.RemoteAddr, text);
    return text;
}

// Every established connection of a watched port, with its other end.
class CConnectionCollector
{
public:
    CConnectionCollector(const CPortList& watched, Endpoint endpoint)
        : m_any(m_watched.Add(watched) > 0 && (MatchesLocal(endpoint) || MatchesRemote(endpoint))),
          m_local(MatchesLocal(endpoint)), m_remote(MatchesRemote(endpoint))
    {
    }

    bool Wanted() const { return m_any && !m_outOfMemory; }

    template <class Row>
    bool operator()(const Row& row)
    {
        if (CPortMatcher::StateOf(row) != kEstablished)
            return true;
        const unsigned local = PortOf(row.dwLocalPort), remote = PortOf(row.dwRemotePort);
        try {
            if (m_local && m_watched.Has(local))
                Add(local, row);
            if (m_remote && m_watched.Has(remote) && !(m_local && local == remote))
                Add(remote, row);
        } catch (const std::bad_alloc&) {
            m_outOfMemory = true;
        }
        return Wanted();
    }

    std::vector<CPortConnection> TakeFound()
    {
        std::stable_sort(
            m_found.begin(), m_found.end(),
            [](const CPortConnection& a, const CPortConnection& b) { return a.port < b.port; });
        return std::move(m_found);
    }

private:
    template <class Row>
    void Add(unsigned port, const Row& row)
    {
        m_found.push_back({static_cast<int>(port), RemoteAddressOf(row),
                           static_cast<int>(PortOf(row.dwRemotePort))});
    }

    CPortSet m_watched;
    bool m_any;
    bool m_local;
    bool m_remote;
    bool m_outOfMemory = false;
    std::vector<CPortConnection> m_found;
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

// Reads one table and hands its rows to `visit` until it returns false.
template <class Table, class Visitor>
void ScanTable(IPowerSystem& system, Visitor& visit)
{
    CHeapBlock block;
    DWORD blockSize = 0;
    if (!FetchTable<Table>(system, block, &blockSize))
        return;
    const auto* table = block.As<Table>();
    const auto* row = table->table;
    const auto* end = row + RowCount(table, blockSize);
    for (; row != end; ++row) {
        if (!visit(*row))
            return;
    }
}

// Both tables, as long as `visit` wants more.
template <class Visitor>
void ScanTables(IPowerSystem& system, Visitor& visit)
{
    if (visit.Wanted())
        ScanTable<MIB_TCPTABLE>(system, visit);
    if (visit.Wanted())
        ScanTable<MIB_TCP6TABLE>(system, visit);
}
} // namespace

CPortList FindActivePorts(IPowerSystem& system, const CPortList& watched, Endpoint endpoint)
{
    CPortMatcher matcher(watched, endpoint);
    ScanTables(system, matcher);
    return matcher.TakeFound();
}

std::vector<CPortConnection> FindPortConnections(IPowerSystem& system, const CPortList& watched,
                                                 Endpoint endpoint)
{
    CConnectionCollector collector(watched, endpoint);
    ScanTables(system, collector);
    return collector.TakeFound();
}

// Prints how long the port scan takes: over a synthetic table of 100,000 rows
// with 40 watched ports, and over the host's real tables while this program
// holds 1,000 loopback connections open. The cost of fetching the tables is
// printed beside the whole scan, so the scan's own share can be read off.
// Nothing is asserted.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "common/handles.h"
#include "engine/power_engine.h"
#include "engine/windows_power_system.h"
#include "bench/bench_clock.h"
#include "tests/support/tcp_table.h"

namespace {
constexpr int kSyntheticRows = 100000;
constexpr int kWatchedPorts = 40;
constexpr int kConnections = 1000;

DWORD PortField(unsigned port)
{
    return ((port & 0xFFu) << 8) | ((port >> 8) & 0xFFu);
}

// Tables handed out from memory.
class CSyntheticTables : public CWindowsPowerSystem
{
public:
    std::vector<MIB_TCPROW> rows4;
    std::vector<MIB_TCP6ROW> rows6;

    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL) override
    {
        return CopyTcpRows(table, size, rows4);
    }
    DWORD GetTcp6Table(MIB_TCP6TABLE* table, DWORD* size, BOOL) override
    {
        return CopyTcpRows(table, size, rows6);
    }
};

struct CFigures
{
    double best = 1e9;
    double total = 0;
    int runs = 0;
    void Add(double seconds)
    {
        best = std::min(best, seconds);
        total += seconds;
        ++runs;
    }
    double MeanMs() const { return runs ? total * 1000.0 / runs : 0; }
    double BestMs() const { return best * 1000.0; }
};

template <class Work>
CFigures Measure(int runs, Work work)
{
    CFigures figures;
    for (int i = 0; i < runs; ++i) {
        double start = SecondsNow();
        work();
        figures.Add(SecondsNow() - start);
    }
    return figures;
}

size_t PortCount(const std::wstring& found)
{
    return found.empty() ? 0
                         : static_cast<size_t>(std::count(found.begin(), found.end(), L',')) + 1;
}

// The scan of `rows` rows against `copy`, the cost of handing over the same
// rows the way the tables are handed over (a fresh block, then a copy).
void Print(const char* name, size_t rows, const CFigures& scan, const CFigures& copy,
           const std::wstring& found)
{
    double own = std::max(scan.MeanMs() - copy.MeanMs(), 0.0);
    std::printf("%-32s %7zu rows  scan %8.3f ms (best %7.3f)  of which table copies %7.3f ms"
                "  -> %7.4f ms per 1000 rows, %7.4f without the copies  (found %zu ports)\n",
                name, rows, scan.MeanMs(), scan.BestMs(), copy.MeanMs(),
                scan.MeanMs() * 1000.0 / static_cast<double>(rows),
                own * 1000.0 / static_cast<double>(rows), PortCount(found));
}

// Both tables copied into fresh heap blocks, as a scan receives them.
CFigures MeasureCopies(int runs, CSyntheticTables& system)
{
    return Measure(runs, [&] {
        DWORD size = 0;
        system.GetTcpTable(nullptr, &size, FALSE);
        CHeapBlock block4(size);
        system.GetTcpTable(block4.As<MIB_TCPTABLE>(), &size, FALSE);
        size = 0;
        system.GetTcp6Table(nullptr, &size, FALSE);
        CHeapBlock block6(size);
        system.GetTcp6Table(block6.As<MIB_TCP6TABLE>(), &size, FALSE);
    });
}

void SyntheticBench()
{
    CSyntheticTables system;
    CSettingsModel model;
    CPowerEngine engine(model, system);
    model.Suspend.condition = Condition::NoConnection;
    model.TcpPorts.endpoint = Endpoint::Both;
    for (int i = 0; i < kWatchedPorts; ++i)
        model.TcpPorts.list.push_back(1000 + i * 1500);

    // Mostly established connections on ports nobody watches; a watched port
    // shows up in every 10,000th row, so the scan must read the whole table.
    unsigned seed = 7;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFu;
    };
    for (int i = 0; i < kSyntheticRows; ++i) {
        unsigned local = 61000 + next() % 4000;
        unsigned remote = 61000 + next() % 4000;
        if (i % 10000 == 9999)
            remote = static_cast<unsigned>(model.TcpPorts.list[(i / 10000) % kWatchedPorts]);
        DWORD state = i % 7 == 0 ? 2 : 5;
        if (i % 4 == 0) {
            MIB_TCP6ROW row{};
            row.State = static_cast<MIB_TCP_STATE>(state);
            row.dwLocalPort = PortField(local);
            row.dwRemotePort = PortField(remote);
            system.rows6.push_back(row);
        } else {
            MIB_TCPROW row{};
            row.dwState = state;
            row.dwLocalPort = PortField(local);
            row.dwRemotePort = PortField(remote);
            system.rows4.push_back(row);
        }
    }

    std::wstring found;
    engine.ScanActivePorts(); // warm the heap
    CFigures scan = Measure(50, [&] { found = engine.ScanActivePorts(); });
    Print("synthetic table", static_cast<size_t>(kSyntheticRows), scan, MeasureCopies(50, system),
          found);
}

class CSocket
{
public:
    explicit CSocket(SOCKET s) : m_socket(s) {}
    ~CSocket()
    {
        if (m_socket != INVALID_SOCKET)
            closesocket(m_socket);
    }
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;
    SOCKET Get() const { return m_socket; }

private:
    SOCKET m_socket;
};

unsigned PortOf(SOCKET s)
{
    sockaddr_in address{};
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// The real tables as they are now, captured once.
void Capture(CSyntheticTables& snapshot)
{
    DWORD size = 0;
    if (GetTcpTable(nullptr, &size, FALSE) == ERROR_INSUFFICIENT_BUFFER) {
        CHeapBlock block(size + 4096);
        size += 4096;
        if (GetTcpTable(block.As<MIB_TCPTABLE>(), &size, FALSE) == NO_ERROR) {
            const auto* table = block.As<MIB_TCPTABLE>();
            snapshot.rows4.assign(table->table, table->table + table->dwNumEntries);
        }
    }
    size = 0;
    if (GetTcp6Table(nullptr, &size, FALSE) == ERROR_INSUFFICIENT_BUFFER) {
        CHeapBlock block(size + 4096);
        size += 4096;
        if (GetTcp6Table(block.As<MIB_TCP6TABLE>(), &size, FALSE) == NO_ERROR) {
            const auto* table = block.As<MIB_TCP6TABLE>();
            snapshot.rows6.assign(table->table, table->table + table->dwNumEntries);
        }
    }
}

// What the system's own calls cost: the size query and the fetch of each table.
void PrintSystemCalls(int runs)
{
    DWORD size4 = 0;
    DWORD size6 = 0;
    CFigures query4 = Measure(runs, [&] {
        size4 = 0;
        GetTcpTable(nullptr, &size4, FALSE);
    });
    CFigures query6 = Measure(runs, [&] {
        size6 = 0;
        GetTcp6Table(nullptr, &size6, FALSE);
    });
    CHeapBlock block4(size4 + 4096);
    CHeapBlock block6(size6 + 4096);
    CFigures fetch4 = Measure(runs, [&] {
        DWORD size = size4 + 4096;
        GetTcpTable(block4.As<MIB_TCPTABLE>(), &size, FALSE);
    });
    CFigures fetch6 = Measure(runs, [&] {
        DWORD size = size6 + 4096;
        GetTcp6Table(block6.As<MIB_TCP6TABLE>(), &size, FALSE);
    });
    std::printf("system calls: GetTcpTable size query %.3f ms, fetch %.3f ms; "
                "GetTcp6Table size query %.3f ms, fetch %.3f ms\n",
                query4.MeanMs(), fetch4.MeanMs(), query6.MeanMs(), fetch6.MeanMs());
}

void RealBench()
{
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
        std::printf("real tables: no winsock\n");
        return;
    }
    {
        CSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener.Get(), SOMAXCONN);
        address.sin_port = htons(static_cast<u_short>(PortOf(listener.Get())));

        // Each connection is two sockets here; stop quietly at the process's limit.
        std::vector<std::unique_ptr<CSocket>> sockets;
        int connections = 0;
        double openStart = SecondsNow();
        for (; connections < kConnections; ++connections) {
            auto client = std::make_unique<CSocket>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
            if (client->Get() == INVALID_SOCKET ||
                connect(client->Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
                break;
            auto served = std::make_unique<CSocket>(accept(listener.Get(), nullptr, nullptr));
            if (served->Get() == INVALID_SOCKET)
                break;
            sockets.push_back(std::move(client));
            sockets.push_back(std::move(served));
        }
        double openSeconds = SecondsNow() - openStart;
        std::printf("real tables: %d loopback connections opened in %.0f ms\n", connections,
                    openSeconds * 1000.0);

        CWindowsPowerSystem system;
        CSettingsModel model;
        CPowerEngine engine(model, system);
        model.Suspend.condition = Condition::NoConnection;
        model.TcpPorts.endpoint = Endpoint::Both;
        // 39 ports nobody uses and the listener's: every row is looked at.
        for (int i = 0; i < kWatchedPorts - 1; ++i)
            model.TcpPorts.list.push_back(1000 + i * 7);
        model.TcpPorts.list.push_back(static_cast<int>(ntohs(address.sin_port)));
        std::sort(model.TcpPorts.list.begin(), model.TcpPorts.list.end());

        std::wstring found;
        CFigures live = Measure(10, [&] { found = engine.ScanActivePorts(); });
        CSyntheticTables snapshot;
        Capture(snapshot);
        size_t rows = snapshot.rows4.size() + snapshot.rows6.size();
        std::printf("real tables: %zu rows; a scan of the live tables takes %.3f ms (best %.3f),"
                    " found %zu ports\n",
                    rows, live.MeanMs(), live.BestMs(), PortCount(found));
        PrintSystemCalls(10);

        // The engine's own share: the same rows, handed over from memory.
        CPowerEngine offline(model, snapshot);
        CFigures scan = Measure(200, [&] { found = offline.ScanActivePorts(); });
        Print("real rows, from memory", rows, scan, MeasureCopies(200, snapshot), found);
    }
    WSACleanup();
}
} // namespace

int main()
{
    SyntheticBench();
    RealBench();
    return 0;
}

#pragma once
// Connection tables handed out from memory, as GetTcpTable and GetTcp6Table
// hand out theirs, for the fakes of the engine's system.
#include <windows.h>
#include <iphlpapi.h>

#include <cstring>
#include <vector>

// Copies `rows` into `table`; a null table or a short buffer gets the size it
// needs and ERROR_INSUFFICIENT_BUFFER.
template <class Table, class Row>
DWORD CopyTcpRows(Table* table, DWORD* size, const std::vector<Row>& rows)
{
    DWORD needed = static_cast<DWORD>(sizeof(DWORD) + rows.size() * sizeof(Row));
    if (!table || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    table->dwNumEntries = static_cast<DWORD>(rows.size());
    std::memcpy(table->table, rows.data(), rows.size() * sizeof(Row));
    return NO_ERROR;
}

#pragma once
// The files that Tarvik leaves behind, read from outside: the data folder
// with its log and settings file.
#include <windows.h>

#include <string>
#include <vector>

struct IXMLDOMDocument;

namespace e2e {

// %LOCALAPPDATA%\Tarvik Developers\Tarvik
std::wstring DataFolder();
// A file of the data folder, by name ("Tarvik.txt").
std::wstring DataFile(const std::wstring& name);
std::wstring LogPath();      // Tarvik.txt
std::wstring SettingsPath(); // Tarvik.xml

// Removes the data folder and its parent (the company folder) with everything in them.
void RemoveDataFolder();
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// The file's bytes; empty when it cannot be read. The file may be open in
// Tarvik for writing.
std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);

// The log: its lines (UTF-16LE after the byte-order mark, split at CR LF; a
// final empty piece after the last CR LF is dropped).
std::vector<std::wstring> LogLines(const std::wstring& path = LogPath());
// A line without its time stamp (date, space, time, two spaces); unstamped
// lines come back whole.
std::wstring WithoutStamp(const std::wstring& line);
// The texts of the stamped lines from line `first` on.
std::vector<std::wstring> LogEvents(const std::wstring& path = LogPath(), size_t first = 0);
// Waits until the log holds `text` as a stamped line at index `first` or later.
bool WaitForLogEvent(const std::wstring& text, const std::wstring& path = LogPath(), size_t first = 0);
bool HasPrefix(const std::wstring& text, const std::wstring& prefix);

// Writes a settings file: the XML declaration and `body` (UTF-8).
void WriteSettings(const std::string& body);

// The settings file as the program saved it, queried with XPath.
class CSettingsFile
{
public:
    explicit CSettingsFile(const std::wstring& path = SettingsPath());
    ~CSettingsFile();
    CSettingsFile(const CSettingsFile&) = delete;
    CSettingsFile& operator=(const CSettingsFile&) = delete;

    bool Loaded() const { return m_document != nullptr; }
    bool Has(const wchar_t* xpath) const;
    // The text of an attribute or element ("/Application/Suspend/@allowed");
    // "<missing>" when there is no such node.
    std::wstring Value(const wchar_t* xpath) const;

private:
    ::IXMLDOMDocument* m_document = nullptr;
};

} // namespace e2e

// The descriptor check. Brantel's own reading decides whether the descriptor
// is refused and what is logged; the text is then looked at again only to
// say where, and why, in a patch author's words.
#include "DescriptorCheck.h"

#include "CheckText.h"
#include "PatchExecute.h"
#include "Paths.h"
#include "platform/module.h"
#include "platform/read_only_os.h"

#include <algorithm>
#include <cstdlib>

namespace brantel_check
{
namespace
{

using platform::XCHAR;
using platform::XString;
using Severity = Finding::Severity;

const std::size_t kNone = XString::npos;

enum Key
{
    kInfo,
    kFile,
    kVersion,
    kPrevious,
    kKeyCount
};
const char* const kKeyNames[kKeyCount] = {"PatchInfo", "PatchFile", "PatchVersion",
                                          "PreviousVersions"};

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}
std::string Quoted(const XString& text)
{
    return Quoted(Utf8(text));
}

std::string LineText(int line)
{
    return "line " + std::to_string(line);
}

// The descriptor's text joined as Brantel joins it, with the line of the file
// that each joined character comes from.
class JoinedText
{
public:
    explicit JoinedText(const CString& strText) : m_joined(RemoveLineBreaks(strText).Units())
    {
        const XString& text = strText.Units();
        int nLine = 1;
        for (std::size_t i = 0; i < text.size(); ++i)
        {
            if (text[i] == u'\r' || text[i] == u'\n')
            {
                if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                    ++i;
                ++nLine;
                continue;
            }
            m_lineOf.push_back(nLine);
        }
        m_lastLine = nLine;
        if (m_lineOf.size() != m_joined.size())
            m_lineOf.clear(); // lines unknown rather than wrong
    }

    const XString& Text() const { return m_joined; }

    // The line of a joined position; a position at or past the end is on the
    // last line.
    int LineAt(std::size_t position) const
    {
        if (m_lineOf.empty() && !m_joined.empty())
            return 0;
        return position < m_lineOf.size() ? m_lineOf[position] : m_lastLine;
    }

    std::size_t Find(const char* text, std::size_t from = 0) const
    {
        return m_joined.find(platform::Ascii(text), from);
    }

    // The first place where text occurs with letters in any case.
    std::size_t FindNoCase(const char* text, std::size_t from = 0) const
    {
        const XString needle = platform::Ascii(text);
        for (std::size_t at = from; at + needle.size() <= m_joined.size(); ++at)
        {
            if (platform::CompareNoCase(XString(m_joined, at, needle.size()), needle) == 0)
                return at;
        }
        return kNone;
    }

    // The characters from first up to, not including, end; empty when the end
    // lies before the start.
    XString Span(std::size_t first, std::size_t end) const
    {
        return end > first && first < m_joined.size() ? m_joined.substr(first, end - first)
                                                      : XString();
    }

    // Where a key is given: the key, blanks, then "=".
    std::vector<std::size_t> Givings(const char* key) const
    {
        std::vector<std::size_t> places;
        const std::size_t length = std::char_traits<char>::length(key);
        for (std::size_t at = Find(key); at != kNone; at = Find(key, at + length))
        {
            std::size_t next = at + length;
            while (next < m_joined.size() && (m_joined[next] == u' ' || m_joined[next] == u'\t'))
                ++next;
            if (next < m_joined.size() && m_joined[next] == u'=')
                places.push_back(at);
        }
        return places;
    }

private:
    XString m_joined;
    std::vector<int> m_lineOf;
    int m_lastLine = 1;
};

XString ValueOf(const XString& entry)
{
    return GetKeyValue(CString(entry), CString(L"=")).Units();
}

int ExitCodeOf(const std::string& entry)
{
    const std::string marker = "Exit code ";
    const std::size_t at = entry.rfind(marker);
    return at == std::string::npos ? 0 : std::atoi(entry.c_str() + at + marker.size());
}

enum class ProgramKind
{
    WindowsProgram,
    Folder,
    Other,
    Unknown
};

// Whether a file is a Windows program: an MZ header whose e_lfanew points at
// "PE\0\0". Only those few bytes are read, and only from a file of some size:
// a FIFO or a device (size 0) is never opened.
ProgramKind KindOfProgram(const CString& strPath)
{
    platform::Os& os = platform::CurrentOs();
    platform::FileInfo info;
    if (os.FileStatusByName(strPath.Units(), info) != platform::kSuccess)
        return ProgramKind::Unknown;
    if (info.directory)
        return ProgramKind::Folder;
    if (info.size < 64)
        return ProgramKind::Other;
    platform::FileHandle file = platform::kInvalidFile;
    if (os.FileOpenForReading(strPath.Units(), platform::FileOpenMode(), file) !=
        platform::kSuccess)
        return ProgramKind::Unknown;
    unsigned char header[64] = {};
    std::uint32_t read = 0;
    bool bProgram = os.FileRead(file, header, 64, read) == platform::kSuccess && read == 64 &&
                    header[0] == 'M' && header[1] == 'Z';
    if (bProgram)
    {
        const std::uint64_t offset =
            std::uint64_t{header[0x3C]} | (std::uint64_t{header[0x3D]} << 8) |
            (std::uint64_t{header[0x3E]} << 16) | (std::uint64_t{header[0x3F]} << 24);
        unsigned char signature[4] = {};
        std::uint64_t position = 0;
        bProgram = offset + 4 <= info.size &&
                   os.FileSeek(file, static_cast<std::int64_t>(offset), platform::SeekOrigin::Begin,
                               position) == platform::kSuccess &&
                   os.FileRead(file, signature, 4, read) == platform::kSuccess && read == 4 &&
                   signature[0] == 'P' && signature[1] == 'E' && signature[2] == 0 &&
                   signature[3] == 0;
    }
    os.FileClose(file);
    return bProgram ? ProgramKind::WindowsProgram : ProgramKind::Other;
}

class Checker
{
public:
    Checker(const CPatchExecute& patch, const CString& strFolder,
            const platform::ReadOnlyOs::FileReading* pReading)
        : m_patch(patch), m_strFolder(strFolder), m_bRead(pReading != nullptr && !pReading->failed),
          m_bytes(m_bRead ? pReading->bytes : std::string()),
          m_text(m_bRead ? CString(m_bytes.c_str()) : CString())
    {
        for (int key = 0; key < kKeyCount; ++key)
            m_at[key] = m_text.Find(kKeyNames[key]);
    }

    std::vector<Finding> Refusal(const std::vector<std::string>& entries) const
    {
        // What Brantel logs for the refusal: all its entries when the file
        // could not be read, else those after its "read completed" entry.
        const std::vector<std::string> log(
            m_bRead && entries.size() > 1 ? entries.begin() + 1 : entries.begin(), entries.end());
        std::vector<Finding> findings;
        auto error = [&](std::size_t position, const std::string& message) {
            findings.push_back(Finding{Severity::Error, At(position), message, log});
        };
        auto fileError = [&](const std::string& message) {
            findings.push_back(Finding{Severity::Error, 0, message, log});
        };

        const int nCode = entries.empty() ? 0 : ExitCodeOf(entries.back());
        if (nCode == 6)
            fileError("no such file (Brantel reads brantel.dat in its own folder)");
        else if (!m_bRead)
            fileError("Brantel cannot read the file: " + (entries.empty() ? "" : entries.front()));
        else if (nCode == 1)
            MissingKeys(error, fileError);
        else if (nCode == 2)
            NoInstallerName(error);
        else if (nCode == 3)
            KeysOutOfOrder(error);
        else if (nCode == 4)
            EmptyValues(error);
        else if (nCode == 5 && !IsPlainFileName(CString(ValueOf(FileEntry()))))
            error(m_at[kFile], "the installer " + Quoted(ValueOf(FileEntry())) +
                                   " is not a plain file name: PatchFile names a file beside "
                                   "the descriptor, without a folder, a \":\" or a device name");
        else if (nCode == 5)
            error(m_at[kFile], "the installer " + Quoted(ValueOf(FileEntry())) + " is not in " +
                                   Utf8(m_strFolder) + ", beside the descriptor");
        if (findings.empty())
            fileError("Brantel refuses the descriptor");
        return findings;
    }

    std::vector<Finding> Risks(bool bAccepted) const
    {
        std::vector<Finding> findings;
        auto warning = [&](std::size_t position, const std::string& message) {
            findings.push_back(Finding{Severity::Warning, At(position), message, {}});
        };
        for (const char* key : kKeyNames)
        {
            const std::vector<std::size_t> places = m_text.Givings(key);
            if (places.size() > 1)
                warning(places[1], Quoted(key) + " is given again (first on " +
                                       LineText(At(places[0])) + "): Brantel reads only the first");
        }
        if (!bAccepted)
            return findings;

        const XString info = m_patch.GetPatchInfo().Units();
        if (std::any_of(info.begin(), info.end(), [](XCHAR c) { return c > 0x7F; }))
            warning(m_at[kInfo],
                    "PatchInfo holds characters outside ASCII: Brantel reads them in the "
                    "machine's ANSI code page and records them so in installedupdates.dat, so "
                    "machines with another code page see another text");

        const CStringArray& previous = m_patch.GetPreviousVersions();
        for (INT_PTR i = 0; i < previous.GetSize(); ++i)
        {
            if (previous.GetAt(i).Compare(m_patch.GetPatchVersion()) == 0)
            {
                warning(m_at[kPrevious],
                        "PatchVersion " + Quoted(m_patch.GetPatchVersion().Units()) +
                            " is listed among PreviousVersions: a product at that version counts "
                            "as patched already, so the listing has no effect");
                break;
            }
        }

        const CString strInstaller = JoinPath(m_strFolder, m_patch.GetPatchFile());
        const std::string name = Quoted(m_patch.GetPatchFile().Units());
        switch (KindOfProgram(strInstaller))
        {
        case ProgramKind::Folder:
            warning(m_at[kFile], "the installer " + name + " is a folder, not a program");
            break;
        case ProgramKind::Other:
            warning(m_at[kFile],
                    "the installer " + name + " is not a Windows program (no MZ/PE header)");
            break;
        default:
            break;
        }
        return findings;
    }

private:
    int At(std::size_t position) const { return position == kNone ? 0 : m_text.LineAt(position); }

    XString FileEntry() const
    {
        const std::size_t exe = m_text.Find(".exe", m_at[kFile]);
        return m_text.Span(m_at[kFile], exe == kNone ? kNone : exe + 4);
    }

    template <class Error, class FileError>
    void MissingKeys(const Error& error, const FileError& fileError) const
    {
        const std::size_t zero = m_bytes.find('\0');
        if (m_bytes.empty())
        {
            fileError("the file is empty");
            return;
        }
        if (zero != std::string::npos)
        {
            error(m_text.Text().size(),
                  "the text ends at a zero byte here (a file saved as UTF-16?): Brantel reads "
                  "8-bit text up to the first zero byte, and the keys after it are lost");
            return;
        }
        for (int key = 0; key < kKeyCount; ++key)
        {
            if (m_at[key] != kNone)
                continue;
            const std::size_t near = m_text.FindNoCase(kKeyNames[key]);
            if (near == kNone)
                error(kNone, "the key " + Quoted(kKeyNames[key]) + " is missing");
            else
                error(near, "the key " + Quoted(kKeyNames[key]) + " is written " +
                                Quoted(m_text.Text().substr(
                                    near, std::char_traits<char>::length(kKeyNames[key]))) +
                                ": Brantel finds keys by their exact names, letter case counting");
        }
    }

    template <class Error> void NoInstallerName(const Error& error) const
    {
        const std::size_t near = m_text.FindNoCase(".exe", m_at[kFile]);
        if (near == kNone)
        {
            error(m_at[kFile], "no \".exe\" after \"PatchFile\": Brantel takes the installer's "
                               "name up to the first \".exe\" after the key");
            return;
        }
        error(m_at[kFile], "the installer is named " +
                               Quoted(ValueOf(m_text.Span(m_at[kFile], near + 4))) +
                               ": Brantel takes the installer's name up to \".exe\" in lower "
                               "case and finds none after \"PatchFile\"");
    }

    template <class Error> void KeysOutOfOrder(const Error& error) const
    {
        if (m_at[kFile] < m_at[kInfo])
            error(m_at[kFile], "\"PatchFile\" comes before \"PatchInfo\" (" +
                                   LineText(At(m_at[kInfo])) +
                                   "): Brantel reads PatchInfo up to \"PatchFile\", so PatchInfo "
                                   "must come first");
        if (m_at[kPrevious] < m_at[kVersion])
            error(m_at[kPrevious], "\"PreviousVersions\" comes before \"PatchVersion\" (" +
                                       LineText(At(m_at[kVersion])) +
                                       "): Brantel reads PatchVersion up to \"PreviousVersions\", "
                                       "which must be the last key in the file");
    }

    template <class Error> void EmptyValues(const Error& error) const
    {
        const XString infoEntry = m_text.Span(m_at[kInfo], m_at[kFile]);
        if (ValueOf(infoEntry).empty())
        {
            if (infoEntry.find(u'=') == kNone)
                error(m_at[kInfo], "\"PatchInfo\" has no \"=\" before \"PatchFile\" (" +
                                       LineText(At(m_at[kFile])) + ")");
            else
                error(m_at[kInfo], "\"PatchInfo\" has no value");
        }
        if (ValueOf(FileEntry()).empty())
            error(m_at[kFile], "\"PatchFile\" has no value");
        if (ValueOf(m_text.Span(m_at[kVersion], m_at[kPrevious])).empty())
            error(m_at[kVersion], "\"PatchVersion\" has no value");
        if (m_patch.GetPreviousVersions().GetSize() == 0)
            error(m_at[kPrevious], "\"PreviousVersions\" lists no version");
    }

    const CPatchExecute& m_patch;
    const CString m_strFolder;
    const bool m_bRead;
    const std::string m_bytes;
    const JoinedText m_text;
    std::size_t m_at[kKeyCount];
};

} // namespace

DescriptorReport CheckDescriptor(platform::Os& os, const platform::XString& path)
{
    // The names Brantel would use, sitting beside the file: its folder as the
    // system names the running program's folder, and the file in it.
    const CString strFull(os.FullPath(path));
    CString strFolder = FolderOf(strFull);
    const CString strName = strFull.Mid(strFolder.GetLength() + 1);
    if (!strFolder.IsEmpty())
        strFolder = CString(platform::ModuleFileNameOf(strFolder.Units()));
    const CString strPath = JoinPath(strFolder, strName);

    platform::ReadOnlyOs readOnly(os, JoinPath(strFolder, L"Brantel").Units());
    platform::ScopedOs scope(readOnly);
    CPatchExecute patch{CPatchExecute::WithoutSteps()};
    patch.ReadPatchDescriptor(strFolder, strPath);

    DescriptorReport report;
    report.accepted = patch.IsDescriptorValid();
    const Checker checker(patch, strFolder, readOnly.ReadingOf(strPath.Units()));
    if (!report.accepted)
        report.findings = checker.Refusal(LogEntries(patch.GetLogMessage()));
    for (Finding& finding : checker.Risks(report.accepted))
        report.findings.push_back(std::move(finding));
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });

    // Brantel starts no installer from a folder that others may change.
    const platform::FolderTrust trust = os.CheckFolderTrust(strFolder.Units());
    if (!trust.trusted)
        report.findings.insert(report.findings.begin(),
                               Finding{Finding::Severity::Error, 0, FolderTrustError(trust), {}});

    if (report.accepted)
    {
        report.patchInfo = Utf8(patch.GetPatchInfo());
        report.patchFile = Utf8(patch.GetPatchFile());
        report.patchVersion = Utf8(patch.GetPatchVersion());
    }
    const CStringArray& previous = patch.GetPreviousVersions();
    for (INT_PTR i = 0; i < previous.GetSize(); ++i)
        report.previousVersions.push_back(Utf8(previous.GetAt(i)));
    return report;
}

} // namespace brantel_check

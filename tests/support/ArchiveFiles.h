// Archives over a file in a temporary folder, and byte-building helpers, for
// tests of serialized forms.
#pragma once

#include <afx.h>

#include "FakeOs.h"

#include <cstdint>
#include <initializer_list>
#include <string>

namespace testing_support
{

inline std::string Word(std::uint32_t v)
{
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

inline std::string Words(std::initializer_list<std::uint32_t> values)
{
    std::string out;
    for (std::uint32_t v : values)
        out += Word(v);
    return out;
}

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

// A string of the given UTF-16 code units.
inline CString Units(std::initializer_list<unsigned> values)
{
    CString::XString units;
    for (unsigned v : values)
        units += static_cast<CString::XCHAR>(v);
    return CString(units);
}

// A storing archive on a new file; Bytes() closes both and returns the file.
class StoringArchive
{
public:
    explicit StoringArchive(int nBufSize = 4096, void* lpBuf = nullptr)
        : m_file(m_dir.File(L"a.bin").c_str(), CFile::modeCreate | CFile::modeWrite),
          ar(&m_file, CArchive::store, nBufSize, lpBuf)
    {
    }
    std::string Bytes()
    {
        ar.Close();
        m_file.Close();
        return m_dir.Read(L"a.bin");
    }

private:
    TempDir m_dir;
    CFile m_file;

public:
    CArchive ar;
};

// A loading archive on a file holding the given bytes.
class LoadingArchive
{
public:
    explicit LoadingArchive(const std::string& bytes, int nBufSize = 4096, void* lpBuf = nullptr)
        : m_file(Prepared(m_dir, bytes).c_str(), CFile::modeRead),
          ar(&m_file, CArchive::load, nBufSize, lpBuf)
    {
    }
    CFile& File() { return m_file; }

private:
    static std::wstring Prepared(const TempDir& dir, const std::string& bytes)
    {
        dir.Write(L"a.bin", bytes);
        return dir.File(L"a.bin");
    }
    TempDir m_dir;
    CFile m_file;

public:
    CArchive ar;
};

} // namespace testing_support

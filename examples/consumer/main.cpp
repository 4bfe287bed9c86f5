// lumbrix-consumer DATABASE [STREAM]: loads an options database with
// OptionsManager and prints the options of its first panel in the order a
// wizard shows them.
#include <lumbrix/OptionsManager.h>

#include <cstdio>
#include <memory>
#include <string>

namespace
{

// The number of the loaded file's first panel; false when it holds none.
bool FirstPanel(const OptionsManager& manager, unsigned int& nPanel)
{
    if (manager.GetPanelCount() <= 0)
        return false;
    nPanel = manager.GetPanelNumber(0);
    return true;
}

// An argument in the encoding the command line arrives in.
CString Argument(const char* text)
{
#ifdef _WIN32
    return CString(text);
#else
    return CString::FromUtf8(text);
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2 && argc != 3)
    {
        std::fputs("usage: lumbrix-consumer DATABASE [STREAM]\n", stderr);
        return 2;
    }
    const CString strDatabase = Argument(argv[1]);
    std::unique_ptr<OptionsManager> manager =
        argc == 3 ? std::make_unique<OptionsManager>(strDatabase, Argument(argv[2]), nullptr)
                  : std::make_unique<OptionsManager>(strDatabase, nullptr);

    unsigned int nPanel = 0;
    if (!manager->LoadDB() || !FirstPanel(*manager, nPanel))
    {
        std::fputs("lumbrix-consumer: no panel could be loaded\n", stderr);
        return 1;
    }
    CTypedPtrArray<CObArray, OptionLocus*>* pOptions =
        manager->LoadNextPanelOptions(nPanel, nullptr);
    std::printf("Panel %u\n", nPanel);
    for (INT_PTR i = 0; pOptions != nullptr && i < pOptions->GetSize(); ++i)
    {
        const OptionLocus* pLocus = pOptions->GetAt(i);
        // The library's records are CObjects to the program too: one
        // framework, one class record per class.
        if (!pLocus->IsKindOf(RUNTIME_CLASS(CObject)))
        {
            std::fputs("lumbrix-consumer: a record is not a CObject here\n", stderr);
            return 1;
        }
        std::printf("  %s (id %u, next panel %u)\n", pLocus->m_strName.ToUtf8().c_str(),
                    pLocus->m_nID, pLocus->m_nNextPanel);
    }
    return 0;
}

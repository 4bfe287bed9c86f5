// lumbrix-consumer DATABASE [STREAM]: loads an options database with
// OptionsManager and prints the options of its first panel in the order a
// wizard shows them.
#include <lumbrix/OptionsManager.h>

#include <cstdio>
#include <memory>
#include <string>

namespace
{

// The manager with a look at the panel numbers of the loaded file.
class FirstPanelManager : public OptionsManager
{
public:
    using OptionsManager::OptionsManager;

    bool FirstPanel(unsigned int& nPanel) const
    {
        if (m_nPanelCount <= 0 || m_arrPanelNumbers.GetSize() == 0)
            return false;
        nPanel = m_arrPanelNumbers.GetAt(0);
        return true;
    }
};

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
    std::unique_ptr<FirstPanelManager> manager =
        argc == 3 ? std::make_unique<FirstPanelManager>(strDatabase, Argument(argv[2]), nullptr)
                  : std::make_unique<FirstPanelManager>(strDatabase, nullptr);

    unsigned int nPanel = 0;
    if (!manager->LoadDB() || !manager->FirstPanel(nPanel))
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

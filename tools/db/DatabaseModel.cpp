// Places and texts shared by the parts of lumbrix-db.
#include "DatabaseModel.h"

namespace lumbrix_db
{

std::string PanelPlace(std::size_t panel)
{
    return "panels[" + std::to_string(panel) + "]";
}

std::string OptionPlace(std::size_t panel, std::size_t option)
{
    return PanelPlace(panel) + ".options[" + std::to_string(option) + "]";
}

std::string Utf8(const platform::XString& text)
{
    return platform::ToUtf8(text);
}

} // namespace lumbrix_db

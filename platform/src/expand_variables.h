// %NAME% references in registry text, expanded the way the system expands a
// REG_EXPAND_SZ value: each %NAME% whose name is known (letter case ignored)
// is replaced by its value; an unknown name, or a lone %, stays as written.
#pragma once

#include "platform/text.h"

#include <functional>

namespace platform
{

using VariableLookup = std::function<bool(XStringView name, XString& value)>;

inline XString ExpandVariables(XStringView text, const VariableLookup& lookup)
{
    XString out;
    std::size_t i = 0;
    while (i < text.size())
    {
        const std::size_t open = text.find(u'%', i);
        if (open == XStringView::npos)
        {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, open - i));
        const std::size_t close = text.find(u'%', open + 1);
        if (close == XStringView::npos)
        {
            out.append(text.substr(open));
            break;
        }
        XString value;
        const XStringView name = text.substr(open + 1, close - open - 1);
        if (!name.empty() && lookup(name, value))
        {
            out.append(value);
            i = close + 1;
        }
        else
        {
            // Unknown: the first % stays, and the second may open the next name.
            out.push_back(u'%');
            out.append(name);
            i = close;
        }
    }
    return out;
}

} // namespace platform

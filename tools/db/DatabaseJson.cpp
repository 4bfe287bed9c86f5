// The JSON form of an options database, read strictly and written in one
// canonical layout, so that JSON -> database -> JSON gives back the text.
#include "DatabaseJson.h"

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <set>
#include <utility>
#include <vector>

namespace lumbrix_db
{
namespace
{

using Json = nlohmann::json;

const char kDocument[] = "document";

std::string Join(const std::string& place, const std::string& field)
{
    return place == kDocument ? field : place + "." + field;
}

std::string Indexed(const std::string& place, std::size_t index)
{
    return place + "[" + std::to_string(index) + "]";
}

std::string Found(const Json& value)
{
    if (value.is_object())
        return "an object";
    if (value.is_array())
        return "an array";
    std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    if (text.size() > 40)
        text = text.substr(0, 37) + "...";
    return text;
}

[[noreturn]] void Fail(const std::string& place, const std::string& problem)
{
    throw InputError(place + ": " + problem);
}

// The parser keeps only the last of two equal keys; a repeated field is far
// more likely a mistake than a wish, so it is refused with its place.
class RepeatedKeyGuard
{
public:
    bool operator()(int, Json::parse_event_t event, const Json& parsed)
    {
        switch (event)
        {
        case Json::parse_event_t::object_start:
            m_frames.push_back(Frame{false, 0, std::string(), {}});
            break;
        case Json::parse_event_t::array_start:
            m_frames.push_back(Frame{true, 0, std::string(), {}});
            break;
        case Json::parse_event_t::key:
        {
            Frame& frame = m_frames.back();
            const std::string key = parsed.get<std::string>();
            if (!frame.keys.insert(key).second)
                Fail(Join(PlaceOfInnermost(), key), "field given twice");
            frame.key = key;
            break;
        }
        case Json::parse_event_t::object_end:
        case Json::parse_event_t::array_end:
            m_frames.pop_back();
            Advance();
            break;
        case Json::parse_event_t::value:
            Advance();
            break;
        }
        return true;
    }

private:
    struct Frame
    {
        bool array;
        std::size_t index;
        std::string key;
        std::set<std::string> keys;
    };

    void Advance()
    {
        if (!m_frames.empty() && m_frames.back().array)
            ++m_frames.back().index;
    }

    // The place of the innermost open object or array.
    std::string PlaceOfInnermost() const
    {
        std::string place = kDocument;
        for (std::size_t i = 0; i + 1 < m_frames.size(); ++i)
            place = m_frames[i].array ? Indexed(place, m_frames[i].index)
                                      : Join(place, m_frames[i].key);
        return place;
    }

    std::vector<Frame> m_frames;
};

void OnlyFields(const Json& object, std::initializer_list<const char*> names,
                const std::string& place)
{
    for (const auto& item : object.items())
    {
        bool known = false;
        for (const char* name : names)
            known = known || item.key() == name;
        if (!known)
            Fail(Join(place, item.key()), "unknown field");
    }
}

const Json& Field(const Json& object, const char* name, const std::string& place)
{
    const auto found = object.find(name);
    if (found == object.end())
        Fail(Join(place, name), "missing field");
    return *found;
}

const Json& Object(const Json& value, const std::string& place)
{
    if (!value.is_object())
        Fail(place, "expected an object, found " + Found(value));
    return value;
}

const Json& Array(const Json& value, const std::string& place)
{
    if (!value.is_array())
        Fail(place, "expected an array, found " + Found(value));
    return value;
}

std::uint32_t Unsigned32(const Json& value, const std::string& place)
{
    if (value.is_number_unsigned() && value.get<std::uint64_t>() <= 0xFFFFFFFFull)
        return static_cast<std::uint32_t>(value.get<std::uint64_t>());
    Fail(place, "expected an unsigned 32-bit number, found " + Found(value));
}

std::uint32_t Unsigned32Field(const Json& object, const char* name, const std::string& place)
{
    return Unsigned32(Field(object, name, place), Join(place, name));
}

OptionRecord ParseOption(const Json& value, const std::string& place)
{
    Object(value, place);
    OnlyFields(value, {"id", "name", "title", "data1", "data2", "data3", "next_panel", "next_ids"},
               place);
    OptionRecord record;
    record.id = Unsigned32Field(value, "id", place);
    const Json& name = Field(value, "name", place);
    if (!name.is_string())
        Fail(Join(place, "name"), "expected a string, found " + Found(name));
    record.name = platform::FromUtf8(name.get_ref<const std::string&>());
    record.title = Unsigned32Field(value, "title", place);
    record.data1 = Unsigned32Field(value, "data1", place);
    record.data2 = Unsigned32Field(value, "data2", place);
    record.data3 = Unsigned32Field(value, "data3", place);
    record.nextPanel = Unsigned32Field(value, "next_panel", place);
    const std::string idsPlace = Join(place, "next_ids");
    const Json& ids = Array(Field(value, "next_ids", place), idsPlace);
    for (std::size_t i = 0; i < ids.size(); ++i)
        record.nextIds.push_back(Unsigned32(ids[i], Indexed(idsPlace, i)));
    return record;
}

PanelRecord ParsePanel(const Json& value, const std::string& place)
{
    Object(value, place);
    OnlyFields(value, {"panel", "options"}, place);
    PanelRecord panel;
    panel.number = Unsigned32Field(value, "panel", place);
    const std::string optionsPlace = Join(place, "options");
    const Json& options = Array(Field(value, "options", place), optionsPlace);
    for (std::size_t i = 0; i < options.size(); ++i)
        panel.options.push_back(ParseOption(options[i], Indexed(optionsPlace, i)));
    return panel;
}

// "[json.exception.parse_error.101] parse error at line 2, column 7: ..."
// without the library's tag.
std::string WithoutTag(const std::string& what)
{
    const std::size_t end = what.find("] ");
    return what.rfind("[json.exception.", 0) == 0 && end != std::string::npos ? what.substr(end + 2)
                                                                              : what;
}

std::string JsonString(const platform::XString& text)
{
    return Json(platform::ToUtf8(text)).dump(-1, ' ', false, Json::error_handler_t::strict);
}

void AppendNumbers(std::string& out, const std::vector<std::uint32_t>& numbers)
{
    out += "[";
    for (std::size_t i = 0; i < numbers.size(); ++i)
    {
        if (i != 0)
            out += ", ";
        out += std::to_string(numbers[i]);
    }
    out += "]";
}

void AppendOption(std::string& out, const OptionRecord& r)
{
    out += "{\"id\": " + std::to_string(r.id) + ", \"name\": " + JsonString(r.name) +
           ", \"title\": " + std::to_string(r.title) + ", \"data1\": " + std::to_string(r.data1) +
           ", \"data2\": " + std::to_string(r.data2) + ", \"data3\": " + std::to_string(r.data3) +
           ", \"next_panel\": " + std::to_string(r.nextPanel) + ", \"next_ids\": ";
    AppendNumbers(out, r.nextIds);
    out += "}";
}

} // namespace

Database ParseDatabaseJson(const std::string& text)
{
    Json document;
    RepeatedKeyGuard guard;
    try
    {
        document = Json::parse(text, [&guard](int depth, Json::parse_event_t event, Json& parsed)
                               { return guard(depth, event, parsed); });
    }
    catch (const Json::parse_error& e)
    {
        throw InputError(WithoutTag(e.what()));
    }

    if (!document.is_object())
        Fail(kDocument, "expected an object with the field \"panels\", found " + Found(document));
    OnlyFields(document, {"panels"}, kDocument);
    const Json& panels = Array(Field(document, "panels", kDocument), "panels");
    Database database;
    for (std::size_t i = 0; i < panels.size(); ++i)
        database.panels.push_back(ParsePanel(panels[i], Indexed("panels", i)));
    return database;
}

std::string FormatDatabaseJson(const Database& database)
{
    std::string out = "{\n  \"panels\": [";
    for (std::size_t i = 0; i < database.panels.size(); ++i)
    {
        const PanelRecord& panel = database.panels[i];
        out += i == 0 ? "\n" : ",\n";
        out +=
            "    {\n      \"panel\": " + std::to_string(panel.number) + ",\n      \"options\": [";
        for (std::size_t j = 0; j < panel.options.size(); ++j)
        {
            const OptionRecord& record = panel.options[j];
            if (platform::FromUtf8(platform::ToUtf8(record.name)) != record.name)
                throw FileError(OptionPlace(i, j) +
                                ".name: holds an unpaired UTF-16 surrogate, which the JSON form "
                                "cannot carry");
            out += j == 0 ? "\n        " : ",\n        ";
            AppendOption(out, record);
        }
        out += panel.options.empty() ? "]\n    }" : "\n      ]\n    }";
    }
    out += database.panels.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

} // namespace lumbrix_db

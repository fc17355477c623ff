// The texts of answers, from the panel's GBK to the interface's UTF-8.
#include "api/server.h"

namespace vuv::api {

namespace json = boost::json;

void textsToUtf8(json::value& value, const TextCodec& codec) {
    switch (value.kind()) {
        case json::kind::string: {
            json::string& s = value.get_string();
            if (!isAscii(s)) s = codec.toUtf8(s);
            return;
        }
        case json::kind::array:
            for (json::value& v : value.get_array()) textsToUtf8(v, codec);
            return;
        case json::kind::object:
            for (auto& member : value.get_object()) textsToUtf8(member.value(), codec);
            return;
        default: return;
    }
}

json::object eventJson(const StoredEvent& event, const TextCodec& codec) {
    json::object o;
    o["id"] = event.id;
    o["time"] = event.time;
    o["pid"] = event.pid;
    o["kind"] = event.kind;
    o["content"] = isAscii(event.content) ? event.content : codec.toUtf8(event.content);
    return o;
}

}  // namespace vuv::api

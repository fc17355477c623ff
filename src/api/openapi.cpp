// The OpenAPI 3 document of the interface, written from the route table the
// router decides by.
#include "api/server.h"

#include <string>

namespace vuv::api {

namespace json = boost::json;

namespace {

json::object schemaOf(const Field& f) {
    json::object s;
    switch (f.type) {
        case FieldType::Integer:
            s["type"] = "integer";
            s["minimum"] = f.min;
            s["maximum"] = f.max;
            break;
        case FieldType::Boolean: s["type"] = "boolean"; break;
        case FieldType::Text: s["type"] = "string"; break;
        case FieldType::Choice: {
            s["type"] = "string";
            json::array words;
            std::string_view rest = f.choices;
            while (!rest.empty()) {
                const std::size_t bar = rest.find('|');
                words.emplace_back(rest.substr(0, bar));
                if (bar == std::string_view::npos) break;
                rest.remove_prefix(bar + 1);
            }
            s["enum"] = std::move(words);
            break;
        }
        case FieldType::IntegerList:
            s["type"] = "array";
            s["maxItems"] = f.maxItems;
            s["items"] = {{"type", "integer"}, {"minimum", f.min}, {"maximum", f.max}};
            break;
        case FieldType::TextList:
            s["type"] = "array";
            s["maxItems"] = f.maxItems;
            s["items"] = {{"type", "string"}};
            break;
        case FieldType::LaunchRows: {
            s["type"] = "array";
            s["maxItems"] = f.maxItems;
            json::object row;
            row["type"] = "object";
            row["required"] = json::array{"url"};
            row["additionalProperties"] = false;
            row["properties"] = {{"name", {{"type", "string"}}},
                                 {"url", {{"type", "string"}}},
                                 {"config", {{"type", "string"}}}};
            s["items"] = std::move(row);
            break;
        }
        case FieldType::RowsOrAll:
            s["oneOf"] = json::array{json::object{{"type", "string"}, {"enum", json::array{"all"}}},
                                     json::object{{"type", "array"},
                                                  {"maxItems", f.maxItems},
                                                  {"items", {{"type", "integer"}, {"minimum", 0}}}}};
            break;
        case FieldType::Target:
            s["oneOf"] = json::array{
                json::object{{"type", "object"},
                             {"required", json::array{"pids"}},
                             {"properties", {{"pids", {{"type", "array"}, {"items", {{"type", "integer"}}}}}}}},
                json::object{{"type", "object"},
                             {"required", json::array{"state"}},
                             {"properties",
                              {{"state", {{"type", "string"}, {"enum", json::array{"running", "hung", "exited"}}}}}}},
                json::object{{"type", "object"},
                             {"required", json::array{"all"}},
                             {"properties", {{"all", {{"type", "boolean"}, {"enum", json::array{true}}}}}}}};
            break;
    }
    if (!f.description.empty()) s["description"] = f.description;
    return s;
}

json::object errorResponse(std::string_view description) {
    return {{"description", description},
            {"content", {{"application/json", {{"schema", {{"$ref", "#/components/schemas/Error"}}}}}}}};
}

}  // namespace

json::value openApiDocument(std::string_view version) {
    json::object doc;
    doc["openapi"] = "3.0.3";
    doc["info"] = {{"title", "vuv automation interface"}, {"version", version}};
    json::object paths;
    std::size_t count = 0;
    const RouteSpec* table = routeTable(count);
    for (std::size_t i = 0; i < count; ++i) {
        const RouteSpec& r = table[i];
        json::object op;
        op["summary"] = r.summary;
        op["operationId"] = std::string(r.method) + std::string(r.path);
        json::array parameters;
        if (r.path.find("{index}") != std::string_view::npos) {
            parameters.push_back({{"name", "index"},
                                  {"in", "path"},
                                  {"required", true},
                                  {"schema", {{"type", "integer"}, {"minimum", 0}, {"maximum", kMaxIndex}}}});
        }
        for (std::size_t q = 0; q < r.queryCount; ++q) {
            parameters.push_back({{"name", r.query[q].name},
                                  {"in", "query"},
                                  {"required", false},
                                  {"schema", schemaOf(r.query[q])}});
        }
        if (!parameters.empty()) op["parameters"] = std::move(parameters);
        if (r.body != nullptr) {
            json::object properties;
            json::array required;
            for (std::size_t b = 0; b < r.bodyCount; ++b) {
                properties[r.body[b].name] = schemaOf(r.body[b]);
                if (r.body[b].required) required.emplace_back(r.body[b].name);
            }
            json::object schema{{"type", "object"}, {"additionalProperties", false}, {"properties", properties}};
            if (!required.empty()) schema["required"] = std::move(required);
            op["requestBody"] = {{"required", !required.empty()},
                                 {"content", {{"application/json", {{"schema", std::move(schema)}}}}}};
        }
        json::object responses;
        const std::string type = r.route == Route::Events ? "text/event-stream" : "application/json";
        responses[std::to_string(r.success)] = {{"description", r.answer},
                                                {"content", {{type, {{"schema", {{"type", r.route == Route::Events
                                                                                              ? "string"
                                                                                              : "object"}}}}}}}};
        responses["401"] = errorResponse("no token, or a wrong one");
        responses["403"] = errorResponse("an Origin header, or a Host other than the listening address");
        responses["404"] = errorResponse("no such path");
        responses["405"] = errorResponse("the path does not take this method");
        responses["413"] = errorResponse("the body exceeds 1 MB");
        responses["431"] = errorResponse("the request head exceeds 8 KB");
        if (r.body != nullptr || r.queryCount != 0) responses["422"] = errorResponse("a parameter of the wrong kind");
        if (r.route != Route::Events && r.route != Route::Log && r.route != Route::OpenApi) {
            responses["503"] = errorResponse("the panel did not take the call within 5 s");
        }
        op["responses"] = std::move(responses);
        std::string method(r.method);
        for (char& c : method) c = static_cast<char>(c - 'A' + 'a');
        json::value& item = paths[r.path];
        if (!item.is_object()) item = json::object{};
        item.get_object()[method] = std::move(op);
    }
    doc["paths"] = std::move(paths);
    doc["components"] = {
        {"securitySchemes", {{"bearer", {{"type", "http"}, {"scheme", "bearer"}}}}},
        {"schemas",
         {{"Error",
           {{"type", "object"},
            {"required", json::array{"error"}},
            {"properties",
             {{"error",
               {{"type", "object"},
                {"properties", {{"code", {{"type", "string"}}}, {"message", {{"type", "string"}}}}}}}}}}}}}};
    doc["security"] = json::array{json::object{{"bearer", json::array{}}}};
    return doc;
}

}  // namespace vuv::api

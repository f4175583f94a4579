#include "AnswerList.h"

#include <ListingView.h>

#include <algorithm>
#include <sstream>

namespace scenario {
namespace {

constexpr jint kCimFlagArray = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_CIM_FLAG_ARRAY;

std::u16string Widen(const std::string& text)
{
    std::u16string wide;
    for (unsigned char c : text) {
        wide.push_back(c);
    }
    return wide;
}

std::string Quoted(const std::optional<std::u16string>& text)
{
    return text ? "\"" + Printable(*text) + "\"" : std::string("null");
}

std::string CodeText(jlong code)
{
    return "error " + Describe(code);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class Runner {
public:
    Runner(Context& context, std::vector<std::string>& out) : context_(context), out_(out) {}

    void Run(const Step& step)
    {
        const std::string head = step.verb + " " + Printable(step.nameSpace) + " " + Printable(step.rest);
        jobject holder = context_.NewHolder();
        const jlong code = context_.api.WmiServiceConnectServer(
            context_.env(), nullptr, context_.Text(step.nameSpace), nullptr, nullptr, nullptr, holder);
        const jlong session = context_.Received(holder).value_or(0);
        if (code != 0 || session == 0) {
            Line(head, CodeText(code));
            return;
        }
        if (step.verb == "query") {
            RunQuery(head, session, step.rest);
        } else if (step.verb == "get") {
            RunGet(head, session, step.rest);
        } else {
            RunClass(head, session, step.rest);
        }
        context_.api.WmiServiceDisconnectServer(context_.env(), nullptr, session);
    }

private:
    void Line(const std::string& key, const std::string& answer) { out_.push_back(key + " = " + answer); }

    void RunQuery(const std::string& head, jlong session, const std::u16string& wql)
    {
        jobject holder = context_.NewHolder();
        const jlong code =
            context_.api.WmiServiceExecQuery(context_.env(), nullptr, session, context_.Text(wql), holder);
        const jlong set = context_.Received(holder).value_or(0);
        if (code != 0 || set == 0) {
            Line(head, CodeText(code));
            return;
        }
        std::vector<jlong> objects;
        while (context_.api.WmiObjectEnumHasMoreObjects(context_.env(), nullptr, set) != JNI_FALSE) {
            jobject next = context_.NewHolder();
            if (context_.api.WmiObjectEnumNextObject(context_.env(), nullptr, set, next) != 0 ||
                !context_.Received(next)) {
                break;
            }
            objects.push_back(*context_.Received(next));
        }
        context_.api.WmiObjectEnumDestroy(context_.env(), nullptr, set);
        Line(head, std::to_string(objects.size()) + " object(s)");
        for (size_t i = 0; i < objects.size(); ++i) {
            Object(head + " [" + std::to_string(i) + "]", objects[i]);
            context_.api.WmiObjectDestroy(context_.env(), nullptr, objects[i]);
        }
    }

    void RunGet(const std::string& head, jlong session, const std::u16string& path)
    {
        const jlong object = Fetch(head, session, path);
        if (object != 0) {
            Object(head, object);
            context_.api.WmiObjectDestroy(context_.env(), nullptr, object);
        }
    }

    // GetObject by path: the object's handle after a "found" line, or 0 after the error's line.
    jlong Fetch(const std::string& head, jlong session, const std::u16string& path)
    {
        jobject holder = context_.NewHolder();
        const jlong code =
            context_.api.WmiServiceGetObject(context_.env(), nullptr, session, context_.Text(path), holder);
        const jlong object = context_.Received(holder).value_or(0);
        Line(head, code != 0 || object == 0 ? CodeText(code) : std::string("found"));
        return code != 0 ? 0 : object;
    }

    // `CLASS [METHOD...]`: the class's properties with their types and CIMTYPE and key
    // qualifiers, and each method's input parameters.
    void RunClass(const std::string& head, jlong session, const std::u16string& rest)
    {
        std::vector<std::u16string> words;
        std::u16string word;
        for (char16_t c : rest + u" ") {
            if (c == u' ') {
                if (!word.empty()) {
                    words.push_back(word);
                }
                word.clear();
            } else {
                word.push_back(c);
            }
        }
        if (words.empty()) {
            Line(head, "no class named");
            return;
        }
        Definition(head, session, words[0]);
        for (size_t i = 1; i < words.size(); ++i) {
            Method(head + " " + Printable(words[i]) + "()", session, words[0], words[i]);
        }
    }

    void Definition(const std::string& head, jlong session, const std::u16string& cls)
    {
        const jlong object = Fetch(head, session, cls);
        if (object != 0) {
            Schema(head, object);
            context_.api.WmiObjectDestroy(context_.env(), nullptr, object);
        }
    }

    std::optional<testsupport::ListingView> List(const std::string& head, jlong object)
    {
        jobject holder = context_.NewHolder();
        jobjectArray listing =
            context_.api.WmiObjectListProperties(context_.env(), nullptr, object, 0, holder);
        if (listing == nullptr) {
            Line(head + " properties", CodeText(context_.Received(holder).value_or(0)));
            return std::nullopt;
        }
        return testsupport::ViewOf(listing);
    }

    // An instance: its path and class, then every property read as text and as a list.
    void Object(const std::string& head, jlong object)
    {
        for (const char16_t* system : {u"__CLASS", u"__RELPATH"}) {
            jlong code = 0;
            const auto text = context_.Property(object, system, &code);
            Line(head + " " + Printable(system), text ? Quoted(text) : CodeText(code));
        }
        const auto listing = List(head, object);
        if (!listing) {
            return;
        }
        std::string names;
        for (const auto& name : listing->names) {
            names += (names.empty() ? "" : ",") + Printable(name);
        }
        Line(head + " properties", names);
        for (size_t i = 0; i < listing->names.size(); ++i) {
            const std::u16string& name = listing->names[i];
            const std::string key = head + "." + Printable(name);
            const jint type = listing->types[i] & ~testsupport::kNullMarker;
            jlong code = 0;
            const auto text = context_.Property(object, name, &code);
            std::string answer = "type " + std::to_string(type) + (type & kCimFlagArray ? " array" : "") +
                                 ((listing->types[i] & testsupport::kNullMarker) != 0 ? " NULL" : "") +
                                 ", text " + (text ? Quoted(text) : CodeText(code));
            const auto list = context_.Values(object, name, code);
            answer += ", list ";
            if (code != 0) {
                answer += CodeText(code);
            } else {
                answer += "[";
                for (size_t k = 0; k < list.size(); ++k) {
                    answer += (k > 0 ? ", " : "") + Quoted(list[k]);
                }
                answer += "]";
            }
            Line(key, answer);
        }
    }

    void Qualifier(const std::string& key, jlong object, const std::u16string& property, const char16_t* name)
    {
        jobject holder = context_.NewHolder();
        jstring text = context_.api.WmiObjectGetPropertyQualifierValue(
            context_.env(), nullptr, object, context_.Text(property), context_.Text(name), holder);
        Line(key + " [" + Printable(name) + "]", text != nullptr
                                                     ? Quoted(fakejni::Env::TextOf(text))
                                                     : CodeText(context_.Received(holder).value_or(0)));
    }

    // A definition: the property names, and each property's type and qualifiers.
    void Schema(const std::string& head, jlong object)
    {
        const auto listing = List(head, object);
        if (!listing) {
            return;
        }
        std::vector<std::u16string> names = listing->names;
        std::string joined;
        for (const auto& name : names) {
            joined += (joined.empty() ? "" : ",") + Printable(name);
        }
        Line(head + " properties", joined);
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string key = head + "." + Printable(names[i]);
            Line(key + " type", std::to_string(listing->types[i] & ~testsupport::kNullMarker));
            Qualifier(key, object, names[i], u"CIMTYPE");
            Qualifier(key, object, names[i], u"key");
        }
    }

    void Method(const std::string& head, jlong session, const std::u16string& cls,
                const std::u16string& method)
    {
        jobject holder = context_.NewHolder();
        jlong code = context_.api.WmiServiceGetMethod(context_.env(), nullptr, session, context_.Text(cls),
                                                      context_.Text(method), holder);
        const jlong handle = context_.Received(holder).value_or(0);
        if (code != 0 || handle == 0) {
            Line(head, CodeText(code));
            return;
        }
        jobject inputs = context_.NewHolder();
        code = context_.api.WmiMethodGetInputProperties(context_.env(), nullptr, handle, inputs);
        const jlong in = context_.Received(inputs).value_or(0);
        if (code != 0 || in == 0) {
            Line(head, code != 0 ? CodeText(code) : std::string("no input parameters"));
        } else {
            Line(head, "found");
            Schema(head + " in", in);
            context_.api.WmiObjectDestroy(context_.env(), nullptr, in);
        }
        context_.api.WmiMethodDestroy(context_.env(), nullptr, handle);
    }

    Context& context_;
    std::vector<std::string>& out_;
};

}  // namespace

bool ParseSteps(const std::string& text, unsigned long pid, std::vector<Step>& steps, std::string& error)
{
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        line = Replaced(line, "{pid}", std::to_string(pid));
        const size_t verbEnd = line.find(' ');
        const size_t nameSpaceEnd = verbEnd == std::string::npos ? verbEnd : line.find(' ', verbEnd + 1);
        const std::string verb = line.substr(0, verbEnd);
        if (nameSpaceEnd == std::string::npos || (verb != "query" && verb != "get" && verb != "class")) {
            error = "line " + std::to_string(number) + " is not `query|get|class NAMESPACE ...`";
            return false;
        }
        steps.push_back(Step{verb, Widen(line.substr(verbEnd + 1, nameSpaceEnd - verbEnd - 1)),
                             Widen(line.substr(nameSpaceEnd + 1))});
    }
    return true;
}

std::vector<std::string> Answers(Context& context, const std::vector<Step>& steps)
{
    std::vector<std::string> out;
    Runner runner(context, out);
    for (const Step& step : steps) {
        runner.Run(step);
    }
    return out;
}

std::string KeyOf(const std::string& line)
{
    return line.substr(0, line.find(" = "));
}

}  // namespace scenario

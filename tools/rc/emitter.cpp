#include "emitter.h"

#include <cstdio>
#include <sstream>

namespace rc {

namespace {

std::string CString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\%03o", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string IdExpression(const ResourceId& id)
{
    return id.numeric ? "MAKEINTRESOURCEA(" + std::to_string(id.number) + ")" : CString(id.text);
}

void EmitArray(std::ostringstream& out, size_t index, const Bytes& data)
{
    out << "alignas(4) const unsigned char kResource" << index << "[] = {";
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 16 == 0) out << "\n    ";
        out << static_cast<unsigned>(data[i]) << ",";
    }
    if (data.empty()) out << "0";  // arrays may not be empty; the size registered is 0
    out << "\n};\n";
}

std::string EscapeForMake(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == ' ' || c == '#') out += '\\';
        if (c == '$') out += '$';
        out += c;
    }
    return out;
}

}  // namespace

std::string EmitSource(const std::vector<Resource>& resources, const std::string& scriptName)
{
    std::ostringstream out;
    out << "// Resources compiled from " << scriptName << " by rc; do not edit.\n"
        << "#include <windows.h>\n#include <winplat/resources.h>\n\nnamespace {\n\n";
    for (size_t i = 0; i < resources.size(); ++i) EmitArray(out, i, resources[i].data);
    out << "\nconst unsigned char kModuleMarker = 0;\n\n"
        << "// Entered when the module is loaded, before any code of it runs.\n"
        << "struct ResourceRegistration {\n"
        << "    HMODULE module = winplat::ModuleFromAddress(&kModuleMarker);\n"
        << "    ResourceRegistration()\n    {\n";
    for (size_t i = 0; i < resources.size(); ++i) {
        out << "        winplat::RegisterResource(module, " << IdExpression(resources[i].type) << ", "
            << IdExpression(resources[i].name) << ", kResource" << i << ", " << resources[i].data.size() << ");\n";
    }
    out << "    }\n"
        << "    ~ResourceRegistration() { winplat::UnregisterResources(module); }\n"
        << "} registration;\n\n}  // namespace\n";
    return out.str();
}

std::string EmitDepfile(const std::string& output, const std::vector<std::string>& inputs)
{
    std::string text = EscapeForMake(output) + ":";
    for (const std::string& input : inputs) text += " \\\n  " + EscapeForMake(input);
    return text + "\n";
}

}  // namespace rc

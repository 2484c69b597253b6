#include "cli/Ports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "cli/Output.h"

namespace quillet::cli {

namespace fs = std::filesystem;

namespace {

// An on-board port the kernel reserved without finding a UART reports type 0.
bool hasUart(const fs::path& ttyDir) {
    std::ifstream type(ttyDir / "type");
    int value = -1;
    if (!(type >> value)) {
        return fs::exists(ttyDir / "device");
    }
    return value != 0;
}

bool isSerialName(const std::string& name) {
    return name.starts_with("ttyS") || name.starts_with("ttyUSB") || name.starts_with("ttyACM");
}

}  // namespace

std::vector<SerialDevice> findSerialDevices(const DeviceRoots& roots) {
    std::vector<SerialDevice> devices;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(roots.sysClassTty, error)) {
        const std::string name = entry.path().filename().string();
        if (!isSerialName(name) || (name.starts_with("ttyS") && !hasUart(entry.path()))) {
            continue;
        }
        const fs::path node = fs::path(roots.dev) / name;
        if (fs::exists(node, error)) {
            devices.push_back({node.string(), {}});
        }
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return a.path < b.path; });

    std::vector<SerialDevice> links;
    for (const auto& entry : fs::directory_iterator(fs::path(roots.dev) / "serial/by-id", error)) {
        const fs::path target = fs::weakly_canonical(entry.path(), error);
        links.push_back({entry.path().string(), error ? std::string() : target.string()});
    }
    std::sort(links.begin(), links.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return a.path < b.path; });
    devices.insert(devices.end(), links.begin(), links.end());
    return devices;
}

void writePorts(OutputFormat format, std::ostream& out, const std::vector<SerialDevice>& devices,
                const std::array<std::string, kPortCount>& portMap) {
    switch (format) {
        case OutputFormat::Text:
            out << "devices:\n";
            for (const SerialDevice& d : devices) {
                out << "  " << d.path << (d.target.empty() ? "" : " -> " + d.target) << '\n';
            }
            out << "port map:\n";
            for (int i = 0; i < kPortCount; ++i) {
                out << "  " << PortNameTable[static_cast<std::size_t>(i)] << " = "
                    << portMap[static_cast<std::size_t>(i)] << '\n';
            }
            return;
        case OutputFormat::Csv:
            out << "kind,name,target\r\n";
            for (const SerialDevice& d : devices) {
                out << "device," << csvCell(d.path) << ',' << csvCell(d.target) << "\r\n";
            }
            for (int i = 0; i < kPortCount; ++i) {
                out << "port," << PortNameTable[static_cast<std::size_t>(i)] << ','
                    << csvCell(portMap[static_cast<std::size_t>(i)]) << "\r\n";
            }
            return;
        case OutputFormat::Json:
            out << "{\"devices\": [";
            for (std::size_t i = 0; i < devices.size(); ++i) {
                out << (i > 0 ? ", " : "") << "{\"path\": " << jsonString(devices[i].path);
                if (!devices[i].target.empty()) {
                    out << ", \"target\": " << jsonString(devices[i].target);
                }
                out << '}';
            }
            out << "], \"ports\": {";
            for (int i = 0; i < kPortCount; ++i) {
                out << (i > 0 ? ", " : "") << '"' << PortNameTable[static_cast<std::size_t>(i)]
                    << "\": " << jsonString(portMap[static_cast<std::size_t>(i)]);
            }
            out << "}}\n";
            return;
    }
}

}  // namespace quillet::cli

#include "app/pages/RowText.h"

#include <cstdarg>
#include <cstdio>

#include "core/Text.h"

namespace rowtext {

namespace {
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char buffer[128];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return std::string();
    return std::string(buffer, static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}
}  // namespace

std::string CountText(int count, const char* noun) {
    return Format("%d %s%s", count, noun, count == 1 ? "" : "s");
}

std::string CountOfText(int shown, int total, const char* noun) {
    return Format("%d of %s", shown, CountText(total, noun).c_str());
}

std::string CpuText(double percent) { return Format("%0.1f%%", percent); }

std::string MemoryKText(uint64_t bytes) { return Format("%d K", static_cast<int>(bytes / 1024)); }

std::string HandleText(HWND window) {
    return Format("%.8X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(window)));
}

std::string MegabyteText(uint64_t bytes) {
    return Format("%lu MB", static_cast<unsigned long>(bytes / 1048576));
}

std::string TaskName(uint32_t pid, const std::string& imagePath) {
    if (pid == 0) return "System Idle Process";
    if (pid == 4) return "System";
    return FileNameOf(imagePath);
}

std::string TaskCompany(const std::string& versionCompany) {
    return versionCompany.empty() ? "N/A" : versionCompany;
}

std::string TaskDescription(const std::string& publisherDescription, bool publisherLoading,
                            const std::string& versionDescription) {
    if (!publisherLoading && !publisherDescription.empty()) return publisherDescription;
    if (!versionDescription.empty()) return versionDescription;
    return "N/A";
}

std::string ServiceDescriptionText(const std::string& ownDescription, const std::string& publisherDescription,
                                   bool publisherLoading, const std::string& versionDescription) {
    if (!ownDescription.empty()) return ownDescription;
    if (!publisherLoading && !publisherDescription.empty()) return publisherDescription;
    return versionDescription;
}

int NetworkGraphPoint(double utilizationSum) {
    if (!(utilizationSum > 0)) return 0;
    double v = utilizationSum * 100.0;
    return v >= 2147483647.0 ? 2147483647 : static_cast<int>(v);
}

}  // namespace rowtext

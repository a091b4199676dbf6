// Every stored setting with its section, name and default, so that each
// reader and writer uses the same names and defaults.
#pragma once

#include <string>

#include "core/AppSettings.h"

struct IntSetting {
    const char* section;
    const char* name;
    int def;
    int Read(const AppSettings& s) const { return s.ReadInt(section, name, def); }
    bool Write(const AppSettings& s, int v) const { return s.WriteInt(section, name, v); }
};

struct StringSetting {
    const char* section;
    const char* name;
    const char* def;
    std::string Read(const AppSettings& s) const { return s.ReadString(section, name, def); }
    bool Write(const AppSettings& s, const std::string& v) const { return s.WriteString(section, name, v); }
};

struct DecimalSetting {
    const char* section;
    const char* name;
    unsigned long def;
    unsigned long Read(const AppSettings& s) const { return s.ReadDecimal(section, name, def); }
    bool Write(const AppSettings& s, unsigned long v) const { return s.WriteDecimal(section, name, v); }
};

namespace settings {

// General
constexpr IntSetting kAlwaysOnTop{"General", "AlwaysOnTop", 0};
constexpr IntSetting kExitFromTrayOnly{"General", "ExitFromTrayOnly", 1};
constexpr IntSetting kStartMinimized{"General", "StartMinimized", 0};
constexpr IntSetting kSaveLastTab{"General", "SaveLastTab", 1};
constexpr IntSetting kPromptUser{"General", "PromptUser", 1};
constexpr IntSetting kLastTabIndex{"General", "LastTabIndex", 0};
// The tray menu's "Warn about suspect programs": a balloon when a program
// rated Suspect or worse starts.
constexpr IntSetting kWarnSuspectPrograms{"General", "WarnSuspectPrograms", 1};

// ListView
constexpr IntSetting kShowGridLines{"ListView", "ShowGridLines", 1};
constexpr IntSetting kAlternateRowColors{"ListView", "AlternateRowColors", 1};
constexpr IntSetting kAutoSizeColumns{"ListView", "AutoSizeColumns", 1};
constexpr IntSetting kHighlightSortColumn{"ListView", "HighlightSortColumn", 1};

// Update
constexpr IntSetting kEnableAutoUpdate{"Update", "EnableAutoUpdate", 1};
constexpr IntSetting kAutoMode{"Update", "AutoMode", 0};
constexpr IntSetting kUpdateTime{"Update", "UpdateTime", 2};
// The update interval of each "UpdateTime" position (the settings dialog's
// slider), in milliseconds.
constexpr unsigned kUpdateIntervalsMs[] = {500, 1000, 2000, 5000, 10000};
constexpr int kUpdateTimePositions = 5;

// OrnavaDB
constexpr IntSetting kCheckUpdates{"OrnavaDB", "CheckUpdates", 1};
constexpr IntSetting kUpdateAction{"OrnavaDB", "UpdateAction", 1};
constexpr IntSetting kPromptBeforeUpdate{"OrnavaDB", "PromptBeforeUpdate", 1};
constexpr IntSetting kUpdateStatusMsgs{"OrnavaDB", "UpdateStatusMsgs", 1};
constexpr IntSetting kSubmitModifications{"OrnavaDB", "SubmitModifications", 1};
constexpr StringSetting kUserEmail{"OrnavaDB", "UserEmail", ""};
constexpr StringSetting kUserPassword{"OrnavaDB", "UserPassword", ""};
// The publisher's service as scheme, host and optional port, e.g.
// "http://127.0.0.1:8000"; empty or unusable text means the built-in address.
constexpr StringSetting kServiceUrl{"OrnavaDB", "ServiceUrl", ""};

// LastUpdate
constexpr StringSetting kLastUpdateDate{"LastUpdate", "Date", "00000000"};
constexpr StringSetting kLastUpdateTime{"LastUpdate", "Time", "000000"};
constexpr DecimalSetting kRemoteFileSize{"LastUpdate", "RemoteFileSize", 0};
constexpr StringSetting kRemoteFileDate{"LastUpdate", "RemoteFileDate", ""};
constexpr DecimalSetting kRemoteFileVersion{"LastUpdate", "RemoteFileVersion", 341017123};

// Proxy
constexpr IntSetting kEnableProxy{"Proxy", "EnableProxy", 0};
constexpr IntSetting kProxySettings{"Proxy", "ProxySettings", 0};
constexpr StringSetting kProxyServer{"Proxy", "ProxyServer", ""};
constexpr IntSetting kProxyPort{"Proxy", "ProxyPort", 0};

// Runtime
constexpr DecimalSetting kPrevWnd{"Runtime", "PrevWnd", 0};

// WindowPos: a binary WINDOWPLACEMENT of exactly this many bytes.
constexpr const char* kWindowPosSection = "WindowPos";
constexpr const char* kWindowPlacementValue = "WindowPlacement";
constexpr unsigned kWindowPlacementSize = 44;

// Splitter positions: section prefix followed by the splitter's control id.
constexpr const char* kSplitterVertSectionPrefix = "Splitter\\init_v";
constexpr const char* kSplitterHorizSectionPrefix = "Splitter\\init_h";
constexpr const char* kVertSplitPosValue = "VertSplitPos";
constexpr const char* kHorizSplitPosValue = "HorizSplitPos";

}  // namespace settings

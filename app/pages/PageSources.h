// What the function views read: the providers' records and the databases.
// The main window owns all of them; the pages only borrow.
#pragma once

class ActivityLog;
class ProcessSampler;
class ProgramDatabase;
class ProtectionList;
class SystemSnapshot;

struct PageSources {
    SystemSnapshot& snapshot;
    ProcessSampler& sampler;
    ProtectionList& protection;
    const ProgramDatabase& publisher;
    const ProgramDatabase& local;
    const ActivityLog& log;
};

// volume info, ls, trustees and limits: what the volume control tells of a volume, its entries,
// their trustees and its users' space limits.
#include "query.h"
#include "volume_commands.h"
#include "volume_text.h"

namespace varnook::cli {

namespace {

Cell Figure(const VolumeObject& volume, bool loaded, std::u16string_view member) {
    return loaded ? Cell{volume.Number(member)} : Cell{};
}

std::string NameSpacesText(const Variant& list) {
    std::string text;
    if (const vnk::com::SafeArray* names = list.deref().arrayVal()) {
        for (const Variant& name : names->elements) {
            text += (text.empty() ? "" : ", ") + Narrow(name.asString().value_or(u"?"));
        }
    }
    return text;
}

int Info(Context& ctx, const std::string& path) {
    const QuerySpec query{{"volume info",
                           "volume",
                           {{"volume", "Volume:"},
                            {"server", "Server:"},
                            {"loaded", "Mounted:"},
                            {"totalKb", "Total KB:", true},
                            {"usedKb", "Used KB:", true},
                            {"freeKb", "Free KB:", true},
                            {"purgeableKb", "Purgeable KB:", true},
                            {"unusableKb", "Unusable KB:", true},
                            {"removable", "Removable:"},
                            {"nameSpaces", "Name spaces:"},
                            {"lastModified", "Last modified:"}},
                           true},
                          {0}};
    const VolumeSession session(ctx, path);
    const VolumeObject& volume = session.control();
    return RunQuery(ctx, query, [&](Emitter& e) {
        e.begin({});
        const bool loaded = volume.Flag(u"Loaded");
        const Cell total = Figure(volume, loaded, u"TotalSpace");
        const Cell used = Figure(volume, loaded, u"UsedSpace");
        e.row({volume.Text(u"FullName"), volume.Text(u"HostServer"), loaded, total, used,
               loaded ? Cell{std::get<int64_t>(total) - std::get<int64_t>(used)} : Cell{},
               Figure(volume, loaded, u"PurgeableSpace"), Figure(volume, loaded, u"UnusableSpace"),
               loaded ? Cell{volume.Flag(u"Removable")} : Cell{},
               loaded ? Cell{NameSpacesText(volume.Call(u"NameSpaces"))} : Cell{},
               loaded ? volume.Date(u"LastModified") : Cell{}});
        e.end({}, "");
        return 0;
    });
}

// The creator's name; none when the server cannot name it (an owner in another context).
Cell Owner(const VolumeObject& entry) {
    try {
        return entry.Text(u"Owner");
    } catch (const CliError&) {
        return Cell{};
    }
}

std::vector<Cell> EntryRow(const VolumeObject& entry) {
    const bool directory = entry.Number(u"EntryType") == 0;
    return {entry.Text(u"ShortName"),
            std::string(directory ? "directory" : "file"),
            AttributesText(entry, nullptr),
            directory ? Cell{} : Cell{entry.Number(u"Size")},
            Owner(entry),
            entry.Date(u"Created"),
            entry.Date(u"LastModified")};
}

int List(Context& ctx, const std::string& path) {
    const QuerySpec query{{"volume ls",
                           "entries",
                           {{"name", "NAME"},
                            {"type", "TYPE"},
                            {"attributes", "ATTRIBUTES"},
                            {"size", "SIZE", true},
                            {"owner", "OWNER"},
                            {"created", "CREATED"},
                            {"modified", "MODIFIED"}}},
                          {0}};
    const VolumeSession session(ctx, path);
    return RunQuery(ctx, query, [&](Emitter& e) {
        const VolumeObject entry = session.Entry();
        e.begin({{"path", "Directory", session.fullPathText()}});
        int64_t count = 0;
        if (entry.Number(u"EntryType") != 0) {
            e.row(EntryRow(entry));
            count = 1;
        } else {
            entry.Object(u"Children")->ForEach([&](const VolumeObject& child) {
                e.row(EntryRow(child));
                ++count;
            });
        }
        e.end({{"count", "", count}}, std::to_string(count) + " entries.");
        return 0;
    });
}

int ListDeleted(Context& ctx, const std::string& path) {
    const QuerySpec query{{"volume ls",
                           "deleted",
                           {{"id", "ID", true},
                            {"name", "NAME"},
                            {"size", "SIZE", true},
                            {"owner", "OWNER"},
                            {"modified", "MODIFIED"}}},
                          {0}};
    const VolumeSession session(ctx, path);
    return RunQuery(ctx, query, [&](Emitter& e) {
        const VolumeObject directory = session.Entry();
        if (directory.Number(u"EntryType") != 0) {
            throw CliError(kExitUsage, session.fullPathText() +
                                           " is a file; --deleted lists the deleted files of a "
                                           "directory");
        }
        e.begin({{"path", "Directory", session.fullPathText()}});
        const std::vector<DeletedFile> files = DeletedFiles(directory);
        for (const DeletedFile& f : files) {
            e.row({static_cast<int64_t>(f.number), f.name, f.entry.Number(u"Size"), Owner(f.entry),
                   f.entry.Date(u"LastModified")});
        }
        e.end({{"count", "", static_cast<int64_t>(files.size())}},
              std::to_string(files.size()) + " deleted files.");
        return 0;
    });
}

int Trustees(Context& ctx, const std::string& path) {
    const QuerySpec query{
        {"volume trustees",
         "trustees",
         {{"trustee", "TRUSTEE"}, {"fullName", "FULL NAME"}, {"rights", "RIGHTS"}}},
        {0}};
    const VolumeSession session(ctx, path);
    return RunQuery(ctx, query, [&](Emitter& e) {
        const VolumeObject entry = session.Entry();
        e.begin({{"path", "Entry", session.fullPathText()}});
        int64_t count = 0;
        entry.Object(u"Trustees")->ForEach([&](const VolumeObject& trustee) {
            e.row({trustee.Text(u"ShortName"), trustee.Text(u"FullName"),
                   RightsText(RightsOf(*trustee.Object(u"EffectiveRights")))});
            ++count;
        });
        e.end({{"count", "", count}}, std::to_string(count) + " trustees.");
        return 0;
    });
}

int Limits(Context& ctx, const std::string& path) {
    const QuerySpec query{{"volume limits",
                           "limits",
                           {{"user", "USER"},
                            {"fullName", "FULL NAME"},
                            {"limitKb", "LIMIT KB", true},
                            {"usedKb", "USED KB", true}}},
                          {0}};
    const VolumeSession session(ctx, path);
    return RunQuery(ctx, query, [&](Emitter& e) {
        const VolumeObject limits = *session.control().Object(u"SpaceLimits");
        e.begin({{"volume", "Volume", session.control().Text(u"FullName")}});
        int64_t count = 0;
        limits.ForEach([&](const VolumeObject& limit) {
            e.row({limit.Text(u"ShortName"), limit.Text(u"FullName"), limit.Number(u"TotalSpace"),
                   limit.Number(u"UsedSpace")});
            ++count;
        });
        e.end({{"count", "", count}}, std::to_string(count) + " users with a space limit.");
        return 0;
    });
}

}  // namespace

void AddFullNameArgument(CLI::App* sub, std::string& path, const std::string& name,
                         const std::string& description) {
    sub->add_option(name, path, description + ": \\\\SERVER\\VOLUME\\... or NDS:\\\\TREE\\...")
        ->required();
}

std::vector<DeletedFile> DeletedFiles(const VolumeObject& directory) {
    std::vector<DeletedFile> files;
    directory.Object(u"DeletedFiles")->ForEach([&](const VolumeObject& entry) {
        files.push_back({static_cast<int32_t>(files.size() + 1), entry, entry.Text(u"ShortName")});
    });
    return files;
}

RightsSet RightsOf(const VolumeObject& rights) {
    RightsSet set{};
    for (size_t i = 0; i < kRights.size(); ++i) {
        set[i] = rights.Flag(kRights[i].member);
    }
    return set;
}

std::string AttributesText(const VolumeObject& entry, const VolumeObject* file) {
    std::string text;
    for (const Attribute& a : kAttributes) {
        const VolumeObject* holder = a.fileOnly ? file : &entry;
        if (holder != nullptr && holder->Flag(a.member)) {
            text += (text.empty() ? "" : " ") + std::string(a.code);
        }
    }
    return text;
}

void AddVolumeCommands(CLI::App& app, Commands& commands) {
    CLI::App* volume =
        app.add_subcommand("volume",
                           "Work on NetWare volumes through the volume control: space, entries, "
                           "trustees, rights, space limits, deleted files.");
    volume->require_subcommand(1);
    volume->fallthrough();
    volume->footer(
        "PATH, DIR and VOLUME are full names as the volume control knows them: "
        "\\\\SERVER\\VOLUME\\DIR\\FILE, or NDS:\\\\TREE\\CONTAINER\\VOLUME\\... in directory "
        "mode; \"/\" may stand for \"\\\". The volume control must be registered (regsvr "
        "lib/libvolmarra.so).\n\nExit status: 0 success, 1 usage error, 2 not found, 3 refused "
        "(the "
        "control's code and text on standard error).");
    auto args = std::make_shared<VolumeArgs>();
    AddVolumeQueries(volume, commands, args);
    AddVolumeActions(volume, commands, args);
}

void AddVolumeQueries(CLI::App* volume, Commands& commands, std::shared_ptr<VolumeArgs> a) {
    CLI::App* info =
        AddCommand(*volume, "info", "A volume's space figures in KB, name spaces and host server.",
                   Kind::Query);
    AddFullNameArgument(info, a->path, "VOLUME", "The volume");
    commands.push_back({info, [a](Context& ctx) { return Info(ctx, a->path); }});

    CLI::App* ls = AddCommand(*volume, "ls",
                              "The entries of a directory (sub-directories, then files) with "
                              "attributes, size, owner and dates; with --deleted its deleted "
                              "files, numbered for salvage and purge.",
                              Kind::Query);
    AddFullNameArgument(ls, a->path, "PATH", "A directory or file");
    ls->add_flag("--deleted", a->deleted, "List the directory's deleted files instead");
    commands.push_back({ls, [a](Context& ctx) {
                            return a->deleted ? ListDeleted(ctx, a->path) : List(ctx, a->path);
                        }});

    CLI::App* trustees = AddCommand(*volume, "trustees",
                                    "The trustees of a directory or file with their rights "
                                    "([SRWCEMFA]).",
                                    Kind::Query);
    AddFullNameArgument(trustees, a->path, "PATH", "A directory or file");
    commands.push_back({trustees, [a](Context& ctx) { return Trustees(ctx, a->path); }});

    CLI::App* limits = AddCommand(*volume, "limits",
                                  "The users with a space limit on a volume: limit and space in "
                                  "use, in KB.",
                                  Kind::Query);
    AddFullNameArgument(limits, a->path, "VOLUME", "The volume");
    commands.push_back({limits, [a](Context& ctx) { return Limits(ctx, a->path); }});
}

}  // namespace varnook::cli

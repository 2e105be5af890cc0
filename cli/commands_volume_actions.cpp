// The volume commands that change something: trustees and rights, space limits, deleted files,
// and directories and files themselves. Each is done by the volume control's own members.
#include "query.h"
#include "volume_commands.h"
#include "volume_text.h"

namespace varnook::cli {

namespace {

ReportShape Single(const std::string& command, std::vector<Column> columns) {
    return ReportShape{"volume " + command, "result", std::move(columns), true};
}

RightsSet RightsArgument(const std::string& text) {
    const std::optional<RightsSet> rights = ParseRights(text);
    if (!rights) {
        throw CliError(kExitUsage, "RIGHTS is letters of SRWCEMFA, ALL or N (none), not " + text);
    }
    return *rights;
}

// Writes each right that differs; `keep` is left as it is.
void SetRights(const VolumeObject& rights, const RightsSet& wanted, std::optional<size_t> keep) {
    const RightsSet now = RightsOf(rights);
    for (size_t i = 0; i < kRights.size(); ++i) {
        if (i != keep && now[i] != wanted[i]) {
            rights.Put(kRights[i].member, Variant(wanted[i]));
        }
    }
}

int Grant(Context& ctx, const VolumeArgs& a) {
    const RightsSet rights = RightsArgument(a.value);
    const VolumeSession session(ctx, a.path);
    return RunAction(
        ctx, Single("grant", {{"path", "Entry:"}, {"trustee", "Trustee:"}, {"rights", "Rights:"}}),
        [&](Emitter& e) {
            const VolumeObject trustees = *session.Entry().Object(u"Trustees");
            const Variant object(Wide(a.name));
            std::optional<VolumeObject> trustee;
            try {
                trustee = trustees.Object(u"Item", {object});
            } catch (const CliError&) {
                trustee = trustees.Object(u"Add", {object});  // not a trustee yet
            }
            const VolumeObject effective = *trustee->Object(u"EffectiveRights");
            SetRights(effective, rights, std::nullopt);
            e.begin({});
            e.row({session.fullPathText(), trustee->Text(u"ShortName"),
                   RightsText(RightsOf(effective))});
            e.end({}, "");
            return 0;
        });
}

int Revoke(Context& ctx, const VolumeArgs& a) {
    const VolumeSession session(ctx, a.path);
    return RunAction(
        ctx, Single("revoke", {{"path", "Entry:"}, {"trustee", "Removed trustee:"}}),
        [&](Emitter& e) {
            session.Entry().Object(u"Trustees")->Call(u"Remove", {Variant(Wide(a.name))});
            e.begin({});
            e.row({session.fullPathText(), a.name});
            e.end({}, "");
            return 0;
        });
}

// The inherited rights mask. Supervisor always stays in it, so RIGHTS need not name it.
int InheritedRights(Context& ctx, const VolumeArgs& a) {
    const std::optional<RightsSet> rights =
        a.value.empty() ? std::nullopt : std::optional<RightsSet>(RightsArgument(a.value));
    const VolumeSession session(ctx, a.path);
    const ReportShape shape = Single("irm", {{"path", "Entry:"}, {"rights", "Inherited rights:"}});
    const auto run = [&](Emitter& e) {
        const VolumeObject mask = *session.Entry().Object(u"InheritedRights");
        if (rights) {
            SetRights(mask, *rights, 0);
        }
        e.begin({});
        e.row({session.fullPathText(), RightsText(RightsOf(mask))});
        e.end({}, "");
        return 0;
    };
    return rights ? RunAction(ctx, shape, run) : RunQuery(ctx, {shape, {0}}, run);
}

int32_t LimitArgument(const std::string& text) {
    const std::optional<int32_t> kb = ParseLimit(text);
    if (!kb) {
        throw CliError(kExitUsage,
                       "KB is a whole number of KB from 1 to 2147483647, or none; not " + text);
    }
    return *kb;
}

int UserLimit(Context& ctx, const VolumeArgs& a) {
    const int32_t kb = LimitArgument(a.value);
    const VolumeSession session(ctx, a.path);
    return RunAction(
        ctx,
        Single("limit",
               {{"user", "User:"}, {"limitKb", "Limit KB:", true}, {"usedKb", "Used KB:", true}}),
        [&](Emitter& e) {
            const VolumeObject limits = *session.control().Object(u"SpaceLimits");
            const Variant user(Wide(a.name));
            e.begin({});
            if (kb == 0) {
                limits.Call(u"Remove", {user});
                e.row({a.name, Cell{}, Cell{}});
            } else {
                const VolumeObject limit = *limits.Object(u"Add", {user, Variant(kb)});
                e.row({limit.Text(u"ShortName"), limit.Number(u"TotalSpace"),
                       limit.Number(u"UsedSpace")});
            }
            e.end({}, "");
            return 0;
        });
}

int DirectoryLimit(Context& ctx, const VolumeArgs& a) {
    const int32_t kb = LimitArgument(a.value);
    const VolumeSession session(ctx, a.path);
    if (session.IsRoot()) {
        throw CliError(kExitUsage,
                       "a volume's root has no directory space limit; give a "
                       "directory below it (see limit for users' limits)");
    }
    return RunAction(
        ctx, Single("dirlimit", {{"path", "Directory:"}, {"limitKb", "Limit KB:", true}}),
        [&](Emitter& e) {
            const VolumeObject directory = session.Entry();
            if (directory.Number(u"EntryType") != 0) {
                throw CliError(kExitUsage, session.fullPathText() + " is a file, not a directory");
            }
            directory.Put(u"Size", Variant(kb));  // 0 takes the limit away
            const int64_t now = directory.Number(u"Size");
            e.begin({});
            e.row({session.fullPathText(), now > 0 ? Cell{now} : Cell{}});
            e.end({}, "");
            return 0;
        });
}

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    return out;
}

// The deleted file NAME of the directory, by --id when given. Several of that name without an id
// end with exit 2, listing them.
DeletedFile ChooseDeleted(const VolumeSession& session, const VolumeObject& directory,
                          const VolumeArgs& a) {
    std::optional<int32_t> id;
    if (!a.id.empty()) {
        id = ParseOrdinal(a.id);
        if (!id) {
            throw CliError(kExitUsage, "--id is the number ls --deleted shows, not " + a.id);
        }
    }
    std::vector<DeletedFile> named;
    for (DeletedFile& f : DeletedFiles(directory)) {
        if (Lower(f.name) == Lower(a.name) && (!id || f.number == *id)) {
            named.push_back(std::move(f));
        }
    }
    const std::string where = session.fullPathText();
    if (named.empty()) {
        throw CliError(kExitNotFound, id ? where + " has no deleted file " + a.name + " numbered " +
                                               std::to_string(*id)
                                         : where + " has no deleted file " + a.name);
    }
    if (named.size() > 1) {
        std::string list;
        for (const DeletedFile& f : named) {
            const Cell modified = f.entry.Date(u"LastModified");
            list += "\n  " + std::to_string(f.number) + "  " + f.name + "  " +
                    std::to_string(f.entry.Number(u"Size")) + " bytes, modified " +
                    (std::holds_alternative<std::string>(modified) ? std::get<std::string>(modified)
                                                                   : "?");
        }
        throw CliError(kExitNotFound, std::to_string(named.size()) + " deleted files in " + where +
                                          " are named " + a.name +
                                          "; choose one with --id:" + list);
    }
    return named.front();
}

VolumeObject DirectoryOf(const VolumeSession& session) {
    const VolumeObject directory = session.Entry();
    if (directory.Number(u"EntryType") != 0) {
        throw CliError(kExitUsage, session.fullPathText() + " is a file; give its directory");
    }
    return directory;
}

int Salvage(Context& ctx, const VolumeArgs& a) {
    const VolumeSession session(ctx, a.path);
    return RunAction(
        ctx,
        Single("salvage", {{"id", "Number:", true}, {"name", "Name:"}, {"path", "Salvaged as:"}}),
        [&](Emitter& e) {
            const DeletedFile chosen = ChooseDeleted(session, DirectoryOf(session), a);
            const VolumeObject file = *chosen.entry.Object(u"File");
            std::vector<Variant> newName;
            if (!a.newName.empty()) {
                newName.emplace_back(Wide(a.newName));
            }
            if (!file.Call(u"Salvage", newName).asBool().value_or(false)) {
                const std::string target =
                    session.fullPathText() + "\\" + (a.newName.empty() ? a.name : a.newName);
                throw CliError(kExitNetWare, "the deleted file could not be salvaged as " + target +
                                                 " (a file of that name may exist: salvage it "
                                                 "under another with --as NEW)");
            }
            e.begin({});
            e.row(
                {static_cast<int64_t>(chosen.number), chosen.name, chosen.entry.Text(u"FullName")});
            e.end({}, "");
            return 0;
        });
}

int Purge(Context& ctx, const VolumeArgs& a) {
    const VolumeSession session(ctx, a.path);
    return RunAction(
        ctx, Single("purge", {{"id", "Number:", true}, {"name", "Purged:"}}), [&](Emitter& e) {
            const DeletedFile chosen = ChooseDeleted(session, DirectoryOf(session), a);
            if (!chosen.entry.Object(u"File")->Call(u"Purge").asBool().value_or(false)) {
                throw CliError(kExitNotFound, "the deleted file is gone already");
            }
            e.begin({});
            e.row({static_cast<int64_t>(chosen.number), chosen.name});
            e.end({}, "");
            return 0;
        });
}

// The directory that holds the path and the path's last name.
std::pair<VolumeObject, std::u16string> ParentAndName(const VolumeSession& session,
                                                      const std::string& command) {
    if (session.IsRoot()) {
        throw CliError(kExitUsage, command + " needs a path below the volume");
    }
    const std::u16string& path = session.fullPath();
    const size_t slash = path.rfind(u'\\');
    return {session.EntryAt(path.substr(0, slash)), path.substr(slash + 1)};
}

int MakeDirectory(Context& ctx, const VolumeArgs& a) {
    const VolumeSession session(ctx, a.path);
    return RunAction(ctx, Single("mkdir", {{"path", "Created:"}}), [&](Emitter& e) {
        const auto [parent, name] = ParentAndName(session, "mkdir");
        const VolumeObject made =
            *parent.Object(u"Children")->Object(u"Add", {Variant(name), Variant(std::int32_t{0})});
        e.begin({});
        e.row({made.Text(u"FullName")});
        e.end({}, "");
        return 0;
    });
}

int Remove(Context& ctx, const VolumeArgs& a) {
    const VolumeSession session(ctx, a.path);
    return RunAction(ctx, Single("rm", {{"path", "Removed:"}}), [&](Emitter& e) {
        const auto [parent, name] = ParentAndName(session, "rm");
        session.Entry();  // a missing entry is an error, not a quiet nothing
        parent.Object(u"Children")->Call(u"Remove", {Variant(name)});
        e.begin({});
        e.row({session.fullPathText()});
        e.end({}, "");
        return 0;
    });
}

int MoveOrCopy(Context& ctx, const VolumeArgs& a, bool move) {
    const VolumeSession session(ctx, a.path);
    const std::string command = move ? "mv" : "cp";
    return RunAction(ctx, Single(command, {{"from", "From:"}, {"to", "To:"}}), [&](Emitter& e) {
        const VolumeObject entry = session.Entry();
        const Variant destination(Wide(a.value));
        std::string to = a.value;
        if (move) {
            if (!entry.Call(u"Move", {destination}).asBool().value_or(false)) {
                throw CliError(kExitNetWare, session.fullPathText() + " could not be moved");
            }
            to = entry.Text(u"FullName");
        } else {
            entry.Call(u"Copy", {destination});
        }
        e.begin({});
        e.row({session.fullPathText(), to});
        e.end({}, "");
        return 0;
    });
}

int Attributes(Context& ctx, const VolumeArgs& a) {
    std::vector<AttributeChange> changes;
    for (const std::string& text : a.changes) {
        const std::optional<AttributeChange> change = ParseAttributeChange(text);
        if (!change) {
            throw CliError(kExitUsage, text +
                                           " is no attribute change; give +CODE or -CODE with a "
                                           "code of RO A H SY X DI SH T P RI CI DS DC IC DM");
        }
        changes.push_back(*change);
    }
    const VolumeSession session(ctx, a.path);
    const ReportShape shape = Single("attrib", {{"path", "Entry:"}, {"attributes", "Attributes:"}});
    const auto run = [&](Emitter& e) {
        const VolumeObject entry = session.Entry();
        const std::optional<VolumeObject> file =
            entry.Number(u"EntryType") != 0 ? entry.Object(u"File") : std::nullopt;
        for (const AttributeChange& c : changes) {
            const Attribute& attribute = kAttributes[c.attribute];
            if (attribute.fileOnly && !file) {
                throw CliError(kExitUsage, std::string(attribute.code) +
                                               " is an attribute of files; " +
                                               session.fullPathText() + " is a directory");
            }
            (attribute.fileOnly ? *file : entry).Put(attribute.member, Variant(c.set));
        }
        e.begin({});
        e.row({session.fullPathText(), AttributesText(entry, file ? &*file : nullptr)});
        e.end({}, "");
        return 0;
    };
    return changes.empty() ? RunQuery(ctx, {shape, {0}}, run) : RunAction(ctx, shape, run);
}

// attrib takes "-RO" as a change, which the parser would read as an option: it keeps what it does
// not know, and the options of every command that come after it are read here.
int AttributesWithOptions(Context& ctx, VolumeArgs a, const std::vector<std::string>& extras) {
    Options options = ctx.options();
    bool json = options.format == Format::Json;
    bool csv = options.format == Format::Csv;
    for (size_t i = 0; i < extras.size(); ++i) {
        const std::string& arg = extras[i];
        if (arg == "--json" || arg == "--csv") {
            (arg == "--json" ? json : csv) = true;
        } else if (arg == "--network" && i + 1 < extras.size()) {
            options.source.network = extras[++i];
        } else if (arg == "--workstation" && i + 1 < extras.size()) {
            options.source.workstation = extras[++i];
        } else if (arg == "--password-file" && i + 1 < extras.size()) {
            options.source.passwordFile = extras[++i];
        } else if (arg.rfind("--", 0) == 0) {
            throw CliError(kExitUsage, "attrib does not take " + arg);
        } else {
            a.changes.push_back(arg);
        }
    }
    if (json && csv) {
        throw CliError(kExitUsage, "--json and --csv exclude each other; give one");
    }
    options.format = json ? Format::Json : csv ? Format::Csv : Format::Table;
    Context local(ctx.env(), options);
    return Attributes(local, a);
}

}  // namespace

void AddVolumeActions(CLI::App* volume, Commands& commands, std::shared_ptr<VolumeArgs> a) {
    CLI::App* grant = AddCommand(*volume, "grant",
                                 "Make an object a trustee of a directory or file with exactly "
                                 "the rights given.",
                                 Kind::Action);
    AddFullNameArgument(grant, a->path, "PATH", "A directory or file");
    grant->add_option("OBJECT", a->name, "A user or group (a directory name in directory mode)")
        ->required();
    grant->add_option("RIGHTS", a->value, "Letters of SRWCEMFA, ALL, or N for none")->required();
    commands.push_back({grant, [a](Context& ctx) { return Grant(ctx, *a); }});

    CLI::App* revoke =
        AddCommand(*volume, "revoke", "Remove a trustee from a directory or file.", Kind::Action);
    AddFullNameArgument(revoke, a->path, "PATH", "A directory or file");
    revoke->add_option("OBJECT", a->name, "The trustee")->required();
    commands.push_back({revoke, [a](Context& ctx) { return Revoke(ctx, *a); }});

    CLI::App* irm = AddCommand(*volume, "irm",
                               "Show an entry's inherited rights mask, or set it to RIGHTS "
                               "(Supervisor always stays).",
                               Kind::Action);
    AddFullNameArgument(irm, a->path, "PATH", "A directory or file");
    irm->add_option("RIGHTS", a->value, "Letters of SRWCEMFA, ALL, or N for none");
    commands.push_back({irm, [a](Context& ctx) { return InheritedRights(ctx, *a); }});

    CLI::App* limit = AddCommand(*volume, "limit",
                                 "Set a user's space limit on a volume, in KB (rounded up to 4 "
                                 "KB), or take it away with none.",
                                 Kind::Action);
    AddFullNameArgument(limit, a->path, "VOLUME", "The volume");
    limit->add_option("USER", a->name, "The user")->required();
    limit->add_option("KB", a->value, "The limit in KB, or none")->required();
    commands.push_back({limit, [a](Context& ctx) { return UserLimit(ctx, *a); }});

    CLI::App* dirlimit = AddCommand(*volume, "dirlimit",
                                    "Set a directory's space limit in KB (rounded up to whole "
                                    "blocks), or take it away with none.",
                                    Kind::Action);
    AddFullNameArgument(dirlimit, a->path, "PATH", "A directory below the volume's root");
    dirlimit->add_option("KB", a->value, "The limit in KB, or none")->required();
    commands.push_back({dirlimit, [a](Context& ctx) { return DirectoryLimit(ctx, *a); }});

    CLI::App* salvage = AddCommand(*volume, "salvage",
                                   "Salvage a deleted file of a directory; --id picks one of "
                                   "several of that name (see ls --deleted).",
                                   Kind::Action);
    AddFullNameArgument(salvage, a->path, "DIR", "The directory that held the file");
    salvage->add_option("NAME", a->name, "The deleted file's name")->required();
    salvage->add_option("--id", a->id, "Its number in ls --deleted")->option_text("N");
    salvage->add_option("--as", a->newName, "Salvage it under this name")->option_text("NEW");
    commands.push_back({salvage, [a](Context& ctx) { return Salvage(ctx, *a); }});

    CLI::App* purge = AddCommand(*volume, "purge",
                                 "Purge a deleted file of a directory for good; --id picks one "
                                 "of several of that name.",
                                 Kind::Action);
    AddFullNameArgument(purge, a->path, "DIR", "The directory that held the file");
    purge->add_option("NAME", a->name, "The deleted file's name")->required();
    purge->add_option("--id", a->id, "Its number in ls --deleted")->option_text("N");
    commands.push_back({purge, [a](Context& ctx) { return Purge(ctx, *a); }});

    CLI::App* mkdir = AddCommand(*volume, "mkdir", "Create a directory.", Kind::Action);
    AddFullNameArgument(mkdir, a->path, "PATH", "The new directory");
    commands.push_back({mkdir, [a](Context& ctx) { return MakeDirectory(ctx, *a); }});

    CLI::App* rm = AddCommand(*volume, "rm",
                              "Delete a file (it can be salvaged until purged) or an empty "
                              "directory.",
                              Kind::Action);
    AddFullNameArgument(rm, a->path, "PATH", "A file or empty directory");
    commands.push_back({rm, [a](Context& ctx) { return Remove(ctx, *a); }});

    CLI::App* mv = AddCommand(*volume, "mv", "Move or rename a directory or file on its volume.",
                              Kind::Action);
    AddFullNameArgument(mv, a->path, "PATH", "A directory or file");
    mv->add_option("DEST", a->value,
                   "A full name on the same volume, a name relative to the entry's directory, "
                   "or \\PATH from the volume's root")
        ->required();
    commands.push_back({mv, [a](Context& ctx) { return MoveOrCopy(ctx, *a, true); }});

    CLI::App* cp = AddCommand(*volume, "cp",
                              "Copy a file, or a directory with everything below it, on its "
                              "volume; nothing is overwritten.",
                              Kind::Action);
    AddFullNameArgument(cp, a->path, "PATH", "A directory or file");
    cp->add_option("DEST", a->value, "As for mv; an existing directory receives the copy")
        ->required();
    commands.push_back({cp, [a](Context& ctx) { return MoveOrCopy(ctx, *a, false); }});

    CLI::App* attrib = AddCommand(*volume, "attrib",
                                  "Show an entry's attributes, or change them: +RO sets "
                                  "read-only, -RO clears it.",
                                  Kind::Action);
    AddFullNameArgument(attrib, a->path, "PATH", "A directory or file");
    attrib->footer(
        "CHANGES: +CODE sets, -CODE clears: RO A H SY X DI, and for files SH T P RI CI "
        "DS DC IC DM.\n\n" +
        attrib->get_footer());
    attrib->fallthrough(false);
    attrib->allow_extras();
    commands.push_back({attrib, [a, attrib](Context& ctx) {
                            return AttributesWithOptions(ctx, *a, attrib->remaining());
                        }});
}

}  // namespace varnook::cli

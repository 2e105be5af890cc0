// NWFile: the file-only attributes of a file entry, byte-level reading and writing, and the
// purge and salvage of a deleted file (INWFile).
#include <algorithm>
#include <array>
#include <memory>

#include "objects.h"
#include "platform/text.h"
#include "volctl/tables.h"

namespace volmarra {
namespace {

using vnk::win::S_OK;

constexpr std::uint8_t kReadRights = 1;
constexpr std::uint8_t kReadWriteRights = 3;
constexpr int kFromStart = 0;
constexpr int kFromCurrent = 1;
constexpr int kFromEnd = 2;
// The transfer buffer of a Write with a byte array: element i goes to byte i.
constexpr std::size_t kTransferBuffer = 256;

}  // namespace

HRESULT NWFile::get_Length(std::int32_t* v) {
    return withCore([&](ControlCore& core) {
        EntryRecord r;
        if (const std::int32_t rc = entry_->record(core, r); rc != 0) {
            return fail(rc);
        }
        *v = saturate32(r.dataSize);
        return S_OK;
    });
}

HRESULT NWFile::get_LastAccessed(Date* v) {
    return withCore([&](ControlCore& core) {
        EntryRecord r;
        if (const std::int32_t rc = entry_->record(core, r); rc != 0) {
            return fail(rc);
        }
        *v = dosDateTime(r.lastAccessDate, 0).value_or(Date{});
        return S_OK;
    });
}

HRESULT NWFile::get_MarkedForDeletion(bool* v) {
    *v = entry_->type() == kDeletedFile && entry_->held().has_value();
    return S_OK;
}

HRESULT NWFile::put_ImmediateCompress(bool v) {
    // Compressing at once and never compressing exclude each other.
    return entry_->writeAttribute(kAttrImmediateCompress, v, kSearchModifyFile, kAttrDontCompress);
}

HRESULT NWFile::Open(bool* result) {
    return withCore([&](ControlCore& core) {
        *result = false;
        if (entry_->type() == kDeletedFile) {
            return fail(kInvalidEntryType);  // its path may name another, live file by now
        }
        // One open file per control: a second Open closes the first.
        core.closeOpenFile();
        NWFILE handle = 0;
        const std::int32_t rc =
            core.net.openFile(core.conn, core.nameSpace, kSearchFiles,
                              netPathOf(entry_->internalPath()), kReadWriteRights, handle);
        if (rc != 0) {
            return fail(rc);
        }
        core.openFile = handle;
        *result = true;
        return S_OK;
    });
}

HRESULT NWFile::Close(bool* result) {
    return withCore([&](ControlCore& core) {
        *result = core.closeOpenFile();
        return S_OK;
    });
}

HRESULT NWFile::Seek(std::int32_t bytes) {
    return withCore([&](ControlCore& core) {
        if (core.openFile == 0) {
            return S_OK;
        }
        std::int64_t position = 0;
        if (core.net.seekFile(core.openFile, bytes, kFromCurrent, position) != 0) {
            core.net.seekFile(core.openFile, 0, kFromStart, position);
            return S_OK;
        }
        EntryRecord r;
        if (entry_->record(core, r) == 0 && position > static_cast<std::int64_t>(r.dataSize)) {
            core.net.seekFile(core.openFile, 0, kFromStart, position);
        }
        return S_OK;
    });
}

HRESULT NWFile::Read(vnk::com::OutOnly<Variant> data, std::int32_t bytes, std::int32_t* count) {
    return withCore([&](ControlCore& core) {
        *data = Variant::array({});
        *count = -1;
        const NWFILE file = core.openFile;
        // Never more than is there to read: the request is cut at the end of the file.
        std::int64_t position = 0;
        std::int64_t end = 0;
        if (file == 0 || core.net.seekFile(file, 0, kFromCurrent, position) != 0 ||
            core.net.seekFile(file, 0, kFromEnd, end) != 0 ||
            core.net.seekFile(file, position, kFromStart, position) != 0) {
            return S_OK;
        }
        const std::int64_t wanted =
            std::clamp<std::int64_t>(std::min<std::int64_t>(bytes, end - position), 0, 0x7FFFFFFF);
        const auto buffer =
            std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(wanted));
        std::uint32_t read = 0;
        if (wanted > 0 &&
            core.net.readFile(file, static_cast<std::uint32_t>(wanted), buffer.get(), read) != 0) {
            return S_OK;
        }
        read = std::min<std::uint32_t>(read, static_cast<std::uint32_t>(wanted));
        // One allocation for the array, each element a plain 16-byte value made in place.
        std::vector<Variant> items(buffer.get(), buffer.get() + read);
        *data = Variant::array(std::move(items));
        *count = static_cast<std::int32_t>(read);
        return S_OK;
    });
}

HRESULT NWFile::Write(Variant* data, std::int32_t bytes, std::int32_t* count) {
    return withCore([&](ControlCore& core) {
        *count = -1;
        const Variant& value = data->deref();
        std::string text;
        std::array<std::uint8_t, kTransferBuffer> transfer{};
        const std::uint8_t* source = nullptr;
        std::size_t available = 0;
        if (value.vt() == vnk::com::VT_BSTR) {
            text = vnk::text::wideToCodePage(value.bstr());
            source = reinterpret_cast<const std::uint8_t*>(text.data());
            available = text.size();
        } else if (const vnk::com::SafeArray* array = value.arrayVal()) {
            // Each byte element goes to its own index; indices outside the buffer are skipped,
            // so only the elements that land in it are looked at.
            const std::int64_t lower = array->lowerBound;
            const std::int64_t size = static_cast<std::int64_t>(array->elements.size());
            const std::int64_t first = std::clamp<std::int64_t>(-lower, 0, size);
            const std::int64_t last = std::clamp<std::int64_t>(
                static_cast<std::int64_t>(kTransferBuffer) - lower, 0, size);
            for (std::int64_t i = first; i < last; ++i) {
                const Variant& e = array->elements[static_cast<std::size_t>(i)].deref();
                if (e.vt() == vnk::com::VT_UI1) {
                    transfer[static_cast<std::size_t>(lower + i)] =
                        static_cast<std::uint8_t>(e.intVal());
                }
            }
            source = transfer.data();
            available = transfer.size();
        } else {
            return vnk::win::DISP_E_TYPEMISMATCH;
        }
        if (core.openFile == 0) {
            return S_OK;
        }
        // Bytes larger than the data writes what is there.
        const std::uint32_t n =
            static_cast<std::uint32_t>(std::clamp<std::int64_t>(bytes, 0, available));
        std::uint32_t written = 0;
        if (core.net.writeFile(core.openFile, source, n, written) == 0) {
            *count = static_cast<std::int32_t>(written);
        }
        return S_OK;
    });
}

const InterfaceDef<NWFile>& NWFile::dispatchInfo() {
    static const InterfaceDef<NWFile> def = [] {
        using F = NWFile;
        namespace id = dispid_file;
        InterfaceDef<F> d(IID_INWFile, u"INWFile", u"A file of the volume, or a deleted file");
        d.readOnlyRaises = true;
        d.propget<&F::get_Length>(id::Length, u"Length", {}, u"Data size in bytes");
        d.propget<&F::getAttribute<kAttrCompressed>>(id::Compressed, u"Compressed", {},
                                                     u"The file is compressed");
        d.propget<&F::getAttribute<kAttrCopyInhibit>>(id::CopyInhibit, u"CopyInhibit", {},
                                                      u"Copy-inhibit attribute");
        d.propput<&F::putAttribute<kAttrCopyInhibit>>(id::CopyInhibit, u"CopyInhibit",
                                                      {u"CopyInhibit"});
        d.propget<&F::getAttribute<kAttrDontCompress>>(id::DontCompress, u"DontCompress", {},
                                                       u"Never compress the file");
        d.propput<&F::putAttribute<kAttrDontCompress>>(id::DontCompress, u"DontCompress",
                                                       {u"DontCompress"});
        d.propget<&F::getAttribute<kAttrDontMigrate>>(id::DontMigrate, u"DontMigrate", {},
                                                      u"Never migrate the file");
        d.propput<&F::putAttribute<kAttrDontMigrate>>(id::DontMigrate, u"DontMigrate",
                                                      {u"DontMigrate"});
        d.propget<&F::getAttribute<kAttrDontSuballocate>>(id::DontSuballocate, u"DontSuballocate",
                                                          {}, u"Never suballocate the file");
        d.propput<&F::putAttribute<kAttrDontSuballocate>>(id::DontSuballocate, u"DontSuballocate",
                                                          {u"DontSuballocate"});
        d.propget<&F::getAttribute<kAttrImmediateCompress>>(
            id::ImmediateCompress, u"ImmediateCompress", {}, u"Compress the file at once");
        d.propput<&F::put_ImmediateCompress>(id::ImmediateCompress, u"ImmediateCompress",
                                             {u"ImmediateCompress"});
        d.propget<&F::getAttribute<kAttrImmediatePurge>>(id::ImmediatePurge, u"ImmediatePurge", {},
                                                         u"Purge the file when erased");
        d.propput<&F::putAttribute<kAttrImmediatePurge>>(id::ImmediatePurge, u"ImmediatePurge",
                                                         {u"ImmediatePurge"});
        d.propget<&F::get_LastAccessed>(id::LastAccessed, u"LastAccessed", {}, u"Last access date");
        d.propget<&F::get_MarkedForDeletion>(id::MarkedForDeletion, u"MarkedForDeletion", {},
                                             u"True for a deleted file that can be salvaged");
        d.propget<&F::getAttribute<kAttrMigrated>>(id::Migrated, u"Migrated", {},
                                                   u"The file is migrated");
        d.propget<&F::getAttribute<kAttrRenameInhibit>>(id::RenameInhibit, u"RenameInhibit", {},
                                                        u"Rename-inhibit attribute");
        d.propput<&F::putAttribute<kAttrRenameInhibit>>(id::RenameInhibit, u"RenameInhibit",
                                                        {u"RenameInhibit"});
        d.propget<&F::getAttribute<kAttrShareable>>(id::Shareable, u"Shareable", {},
                                                    u"Shareable attribute");
        d.propput<&F::putAttribute<kAttrShareable>>(id::Shareable, u"Shareable", {u"Shareable"});
        d.propget<&F::getAttribute<kAttrTransactional>>(id::Transactional, u"Transactional", {},
                                                        u"Transactional attribute");
        d.propput<&F::putAttribute<kAttrTransactional>>(id::Transactional, u"Transactional",
                                                        {u"Transactional"});
        d.propget<&F::getAttribute<kAttrCantCompress>>(id::CantCompress, u"CantCompress", {},
                                                       u"The file cannot be compressed");
        d.method<&F::Close>(id::Close, u"Close", {}, u"Closes the open file; true when closed");
        d.method<&F::Open>(id::Open, u"Open", {},
                           u"Opens the file for reading and writing (closing any other file "
                           u"open through the control)");
        d.method<&F::Purge>(id::Purge, u"Purge", {}, u"Purges the deleted file");
        d.method<&F::Salvage>(id::Salvage, u"Salvage", {u"NewName"},
                              u"Recovers the deleted file under its old name, or under NewName "
                              u"when given; true when recovered");
        d.method<&F::Seek>(id::Seek, u"Seek", {u"Bytes"},
                           u"Moves the file position by Bytes; back to the start when the new "
                           u"position is outside the file");
        d.method<&F::Read>(id::Read, u"Read", {u"Data", u"Bytes"},
                           u"Reads up to Bytes bytes into Data (an array of bytes); returns the "
                           u"count read, -1 on failure");
        d.method<&F::Write>(id::Write, u"Write", {u"Data", u"Bytes"},
                            u"Writes Bytes bytes of Data (a string or an array of bytes); "
                            u"returns the count written, -1 on failure");
        return d;
    }();
    return def;
}

}  // namespace volmarra

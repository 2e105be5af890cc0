// The state one control shares with the objects it hands out, and the client operations they
// call. Internal to the object model.
//
// The control owns its ControlCore through a shared_ptr; every entry, file, trustee and space
// limit holds a weak_ptr to it, so an object never keeps the control alive, and an object that
// outlives its control finds the pointer expired and raises 0xCE15 instead of touching it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "netops.h"
#include "platform/dispatch.h"

namespace volmarra {

using vnk::com::ComPtr;
using vnk::com::IDispatch;
using vnk::win::FAILED;
using vnk::win::HRESULT;

class ControlCore {
public:
    explicit ControlCore(nw::Client& client) : net(client) {}
    ~ControlCore();
    ControlCore(const ControlCore&) = delete;
    ControlCore& operator=(const ControlCore&) = delete;

    NetOps net;

    // The control's fields.
    std::u16string fullName;
    std::u16string shortName;
    std::u16string hostServer;
    std::u16string volumeName;
    std::u16string treeName;       // directory mode
    std::u16string serverContext;  // the host server's context: its directory name after the "."
    NWCONN conn = 0;
    bool hasContext = false;  // a directory context (tree, name context "[Root]") is held
    std::uint16_t volumeNumber = 0;
    std::uint32_t kbPerBlock = 1;
    std::uint64_t lastTotalKb = 0;  // total space at the last load, for the root's Size
    bool loaded = false;
    std::int32_t lastError = 0;
    bool isDirectory = false;  // the name is in directory form (or the connection is
                               // authenticated to the directory)
    bool directoryAuthenticated = false;
    std::uint8_t nameSpace = 0;
    bool userMode = true;
    bool restoring = false;
    bool modified = false;
    NWFILE openFile = 0;  // the one file open through this control

    // Frees the context, closes the open file and the connection, clears the flags, the names
    // and the volume's number, figures and name space.
    void reset();
    // Closes the open file, if any; false when there was none or the close failed.
    bool closeOpenFile();

    // Directory mode: names of objects are directory names ("NDS:\\TREE\O\OU\NAME").
    bool directoryMode() const { return isDirectory || directoryAuthenticated; }

    // An object identifier as a name in the control's mode: directory mode gives the path form
    // "NDS:\\TREE\O\USER" and its last component; bindery mode the bindery name for both.
    // Codes of the lookup (0x89FC and -601 for an unknown identifier).
    std::int32_t nameOfId(std::uint32_t id, std::u16string& fullName, std::u16string& shortName);
    // A name as scripts give it (directory path form, dotted name, bindery name, or a path whose
    // last component is the name) to an object identifier.
    std::int32_t idOfName(std::u16string_view name, std::uint32_t& id);
};

// The NetWare path of an internal path: VOLUME\DIR\FILE -> VOLUME:DIR\FILE, VOLUME -> VOLUME:.
std::u16string netPathOf(std::u16string_view internalPath);
// The components of an internal path below the volume: VOLUME\A\B -> {A, B}.
std::vector<std::u16string> componentsOf(std::u16string_view internalPath);
// The internal path of the volume's components.
std::u16string internalPathOf(std::u16string_view volume, const std::vector<std::u16string>& c);
// The last component of an internal path (the volume name for the root).
std::u16string_view lastComponent(std::u16string_view internalPath);

// A directory handle freed on every path out of the scope that allocated it.
class DirHandle {
public:
    DirHandle(NetOps& net, NWCONN conn) : net_(net), conn_(conn) {}
    ~DirHandle() { release(); }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
    std::int32_t allocate(std::uint8_t nameSpace, std::u16string_view netPath) {
        release();
        return net_.allocDirHandle(conn_, nameSpace, netPath, handle_);
    }
    NWDIR get() const { return handle_; }
    void release() {
        if (handle_ != 0) {
            net_.freeDirHandle(conn_, handle_);
            handle_ = 0;
        }
    }

private:
    NetOps& net_;
    NWCONN conn_;
    NWDIR handle_ = 0;
};

// A file handle closed on every path out of the scope that opened it.
class FileHandle {
public:
    explicit FileHandle(NetOps& net) : net_(net) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    NWFILE* put() {
        close();
        return &handle_;
    }
    NWFILE get() const { return handle_; }
    std::int32_t close() {
        std::int32_t rc = 0;
        if (handle_ != 0) {
            rc = net_.closeFile(handle_);
            handle_ = 0;
        }
        return rc;
    }

private:
    NetOps& net_;
    NWFILE handle_ = 0;
};

// The base of every object the control hands out: the weak link to the control and the error
// convention.
class ControlLink {
public:
    explicit ControlLink(std::weak_ptr<ControlCore> core) : core_(std::move(core)) {}

protected:
    // Runs f(core) when the control is still there, else raises 0xCE15.
    template <class F>
    HRESULT withCore(F&& f) {
        const std::shared_ptr<ControlCore> core = core_.lock();
        if (!core) {
            return raiseResult(kNotInitialized);
        }
        return f(*core);
    }
    // Keeps `rc` as the last result and raises it with its table text.
    HRESULT fail(std::int32_t rc) {
        lastResult_ = rc;
        return raiseResult(rc);
    }
    HRESULT failText(std::int32_t rc, std::u16string_view text) {
        lastResult_ = rc;
        return raiseText(rc, text);
    }

    std::weak_ptr<ControlCore> core_;
    std::int32_t lastResult_ = 0;
};

}  // namespace volmarra

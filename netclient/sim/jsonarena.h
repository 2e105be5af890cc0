// The memory the network file's document lives in while it is loaded. A document has a node for
// every member and item, and a big file has millions: taken one by one from the heap they lie
// scattered, and freeing them one by one costs more the bigger the heap grows. In an arena they
// lie in the order they are read and go all at once when the load ends.
#pragma once

#include <cstddef>
#include <memory_resource>

namespace nw::sim {

// While one lives, documents built on this thread take their memory from it. Documents must go
// before it does.
class JsonArena {
public:
    JsonArena() : previous_(current()) { current() = &resource_; }
    ~JsonArena() { current() = previous_; }
    JsonArena(const JsonArena&) = delete;
    JsonArena& operator=(const JsonArena&) = delete;

    static std::pmr::memory_resource*& current() {
        thread_local std::pmr::memory_resource* resource = std::pmr::new_delete_resource();
        return resource;
    }

private:
    std::pmr::monotonic_buffer_resource resource_{std::size_t{1} << 16};
    std::pmr::memory_resource* previous_;
};

// The allocator of the loader's documents: the current arena of the thread.
template <class T>
struct ArenaAllocator {
    using value_type = T;

    ArenaAllocator() noexcept = default;
    template <class U>
    ArenaAllocator(const ArenaAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        return static_cast<T*>(JsonArena::current()->allocate(count * sizeof(T), alignof(T)));
    }
    void deallocate(T* pointer, std::size_t count) noexcept {
        JsonArena::current()->deallocate(pointer, count * sizeof(T), alignof(T));
    }
    template <class U>
    bool operator==(const ArenaAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace nw::sim

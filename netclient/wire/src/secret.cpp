#include "wire/secret.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <new>

namespace nw::wire {

namespace {

std::size_t pageSize() {
    const long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<std::size_t>(page) : 4096;
}

}  // namespace

Secret::Secret(std::size_t capacity) {
    const std::size_t page = pageSize();
    mapped_ = (capacity + page - 1) / page * page;
    if (mapped_ == 0) {
        mapped_ = page;
    }
    void* pages =
        ::mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        throw std::bad_alloc();
    }
    data_ = static_cast<std::uint8_t*>(pages);
    capacity_ = mapped_;
    excluded_ = ::madvise(pages, mapped_, MADV_DONTDUMP) == 0;
    // Without the right to lock memory the pages may reach swap; they still stay out of dumps.
    locked_ = ::mlock(pages, mapped_) == 0;
}

Secret::~Secret() {
    release();
}

Secret::Secret(Secret&& other) noexcept
    : data_(other.data_),
      size_(other.size_),
      capacity_(other.capacity_),
      mapped_(other.mapped_),
      excluded_(other.excluded_),
      locked_(other.locked_) {
    other.data_ = nullptr;
    other.size_ = other.capacity_ = other.mapped_ = 0;
}

Secret& Secret::operator=(Secret&& other) noexcept {
    if (this != &other) {
        release();
        data_ = other.data_;
        size_ = other.size_;
        capacity_ = other.capacity_;
        mapped_ = other.mapped_;
        excluded_ = other.excluded_;
        locked_ = other.locked_;
        other.data_ = nullptr;
        other.size_ = other.capacity_ = other.mapped_ = 0;
    }
    return *this;
}

void Secret::release() {
    if (data_ == nullptr) {
        return;
    }
    ::explicit_bzero(data_, mapped_);
    if (locked_) {
        ::munlock(data_, mapped_);
    }
    ::munmap(data_, mapped_);
    data_ = nullptr;
    size_ = capacity_ = mapped_ = 0;
}

bool Secret::append(const void* bytes, std::size_t n) {
    if (n > capacity_ - size_) {
        return false;
    }
    if (n == 0) {
        return true;  // an empty password: nothing to copy (bytes may be null)
    }
    std::memcpy(data_ + size_, bytes, n);
    size_ += n;
    return true;
}

void Secret::pop() {
    if (size_ > 0) {
        data_[--size_] = 0;
    }
}

void Secret::clear() {
    if (data_ != nullptr) {
        ::explicit_bzero(data_, size_);
    }
    size_ = 0;
}

bool Secret::sameAs(const Secret& other) const {
    if (size_ != other.size_) {
        return false;
    }
    unsigned char diff = 0;
    for (std::size_t i = 0; i < size_; ++i) {
        diff |= static_cast<unsigned char>(data_[i] ^ other.data_[i]);
    }
    return diff == 0;
}

}  // namespace nw::wire

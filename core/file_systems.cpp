#include "core/file_systems.h"

namespace tagshelf {

namespace {

struct PseudoFileSystem {
    std::string_view type;
    unsigned long magic;  // 0: only known by name (devtmpfs shares tmpfs's number)
};

constexpr PseudoFileSystem kPseudoFileSystems[] = {
    {"proc", 0x9fa0},           {"sysfs", 0x62656572},       {"devtmpfs", 0},
    {"devpts", 0x1cd1},         {"cgroup", 0x27e0eb},        {"cgroup2", 0x63677270},
    {"mqueue", 0x19800202},     {"debugfs", 0x64626720},     {"tracefs", 0x74726163},
    {"securityfs", 0x73636673}, {"pstore", 0x6165676c},      {"bpf", 0xcafe4a11},
    {"configfs", 0x62656570},   {"fusectl", 0x65735543},     {"hugetlbfs", 0x958458f6},
    {"autofs", 0x0187},         {"binfmt_misc", 0x42494e4d}, {"nsfs", 0x6e736673},
    {"rpc_pipefs", 0x67596969}, {"efivarfs", 0xde5e81e4},    {"selinuxfs", 0xf97cff8c},
};

}  // namespace

bool isPseudoFileSystemType(std::string_view type) {
    for (const PseudoFileSystem& fs : kPseudoFileSystems) {
        if (fs.type == type) return true;
    }
    return false;
}

bool isPseudoFileSystemMagic(unsigned long magic) {
    for (const PseudoFileSystem& fs : kPseudoFileSystems) {
        if (fs.magic != 0 && fs.magic == magic) return true;
    }
    return false;
}

bool isMemoryFileSystemType(std::string_view type) {
    return type == "tmpfs" || type == "ramfs";
}

}  // namespace tagshelf

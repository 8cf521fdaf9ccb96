#include "about/file_version.h"

#include <QFile>
#include <cstring>
#include <gelf.h>
#include <libelf.h>
#include <memory>
#include <string_view>

#include "about/version_section.h"
#include "framework/ansi_text.h"

namespace {

struct ElfCloser {
    void operator()(Elf* elf) const { elf_end(elf); }
};
using ElfHandle = std::unique_ptr<Elf, ElfCloser>;

// Looks the key up among the block's pairs; a pair cut off by the block's end ends the search.
QString valueOf(std::string_view block, std::string_view key) {
    std::size_t position = 0;
    while (position < block.size()) {
        const std::size_t keyEnd = block.find('\0', position);
        if (keyEnd == std::string_view::npos)
            return {};
        const std::size_t valueEnd = block.find('\0', keyEnd + 1);
        if (valueEnd == std::string_view::npos)
            return {};
        if (block.substr(position, keyEnd - position) == key) {
            const std::string_view value = block.substr(keyEnd + 1, valueEnd - keyEnd - 1);
            return larkspur::fromAnsi(
                QByteArray(value.data(), static_cast<qsizetype>(value.size())));
        }
        position = valueEnd + 1;
    }
    return {};
}

Elf_Scn* versionSection(Elf* elf) {
    std::size_t names = 0;
    if (elf_getshdrstrndx(elf, &names) != 0)
        return nullptr;
    for (Elf_Scn* section = elf_nextscn(elf, nullptr); section != nullptr;
         section = elf_nextscn(elf, section)) {
        GElf_Shdr header;
        if (gelf_getshdr(section, &header) == nullptr || header.sh_type == SHT_NOBITS)
            continue;
        const char* name = elf_strptr(elf, names, header.sh_name);
        if (name != nullptr && std::strcmp(name, LARKSPUR_VERSION_SECTION) == 0)
            return section;
    }
    return nullptr;
}

} // namespace

QString GetFileVersionString(const QString& FileName) {
    if (elf_version(EV_CURRENT) == EV_NONE)
        return {};
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const ElfHandle elf(elf_begin(file.handle(), ELF_C_READ, nullptr));
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF)
        return {};
    Elf_Scn* section = versionSection(elf.get());
    if (section == nullptr)
        return {};
    const Elf_Data* data = elf_getdata(section, nullptr);
    if (data == nullptr || data->d_buf == nullptr)
        return {};
    return valueOf({static_cast<const char*>(data->d_buf), data->d_size},
                   LARKSPUR_FILE_VERSION_KEY);
}

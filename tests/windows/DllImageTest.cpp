// The DLL as the system's loader sees it: which names it exports, and which
// DLLs it needs before a host can load it on a bare Windows machine.
#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace {

class DllImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA(ONDULAXIS_PLUGIN_PATH);
        ASSERT_NE(module, nullptr) << "cannot load " << ONDULAXIS_PLUGIN_PATH << ", error "
                                   << GetLastError();
        base = reinterpret_cast<const unsigned char*>(module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    }
    void TearDown() override {
        if (module != nullptr) FreeLibrary(module);
    }

    template <class Record>
    const Record* directory(int entry) const {
        const IMAGE_DATA_DIRECTORY& found = headers->OptionalHeader.DataDirectory[entry];
        return found.VirtualAddress == 0 ? nullptr
                                         : reinterpret_cast<const Record*>(base + found.VirtualAddress);
    }

    HMODULE module = nullptr;
    const unsigned char* base = nullptr;
    const IMAGE_NT_HEADERS* headers = nullptr;
};

TEST_F(DllImageTest, ExportsOneFunctionUnderExactlyTheThreeEntryNames) {
    const auto* exports = directory<IMAGE_EXPORT_DIRECTORY>(IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(exports, nullptr);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
    const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);

    std::set<std::string> exported;
    std::set<DWORD> addresses;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        const std::string name = reinterpret_cast<const char*>(base + names[i]);
        exported.insert(name);
        addresses.insert(functions[ordinals[i]]);
        // Undecorated: the host finds each name as it is written.
        EXPECT_EQ(reinterpret_cast<const unsigned char*>(GetProcAddress(module, name.c_str())),
                  base + functions[ordinals[i]])
            << name;
    }
    EXPECT_EQ(exported, (std::set<std::string>{"VSTPluginMain", "main", "main_gcc"}));
    EXPECT_EQ(exports->NumberOfFunctions, 3u);
    EXPECT_EQ(addresses.size(), 1u) << "the three names must lead to one function";
}

TEST_F(DllImageTest, NeedsOnlyDllsTheSystemHas) {
    const auto* imports = directory<IMAGE_IMPORT_DESCRIPTOR>(IMAGE_DIRECTORY_ENTRY_IMPORT);
    ASSERT_NE(imports, nullptr);
    char systemFolder[MAX_PATH];
    ASSERT_NE(GetSystemDirectoryA(systemFolder, MAX_PATH), 0u);

    std::vector<std::string> needed;
    for (; imports->Name != 0; ++imports) {
        std::string name = reinterpret_cast<const char*>(base + imports->Name);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        needed.push_back(name);
        // The compiler's own runtime DLLs are the ones a host machine lacks.
        EXPECT_NE(name.rfind("lib", 0), 0u) << name << " is not a system DLL";
        const std::string inSystem = std::string(systemFolder) + "\\" + name;
        EXPECT_NE(GetFileAttributesA(inSystem.c_str()), INVALID_FILE_ATTRIBUTES)
            << name << " is not in " << systemFolder;
    }
    EXPECT_NE(std::find(needed.begin(), needed.end(), "kernel32.dll"), needed.end());
}

}  // namespace

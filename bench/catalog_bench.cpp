// Catalogs: read and write one of 20,000 items, beside reading its bytes.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "bench_util.h"
#include "library/catalog.h"
#include "nuko/fileio.h"

int main() {
    char tmpl[] = "/tmp/nuko-catalog-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    std::string dir = std::string(tmpl) + "/";
    nuko::media::MediaList list;
    list.path = dir + "big.mit";
    list.title = "ベンチマーク";
    for (int i = 0; i < 20000; ++i)
        list.items.push_back({0, 0, "", "曲フォルダ\\song" + std::to_string(i) + ".mid",
                              "タイトル " + std::to_string(i), "", "", 0});
    if (nuko::media::WriteCatalog(list)) return 1;
    auto bytes = nuko::fileio::ReadFile(list.path);
    std::printf("catalog: 20000 items, %zu bytes\n", bytes ? bytes->size() : 0);

    nuko::media::ExtensionList exts;
    nuko::media::BuildKindExtensions(exts, 0, false, false);
    nuko::media::CatalogEnvironment env;
    double read_bytes = nuko::bench::BestMs(5, [&] { (void)nuko::fileio::ReadFile(list.path); });
    std::size_t items = 0;
    double read = nuko::bench::BestMs(5, [&] {
        nuko::media::MediaList l;
        l.path = list.path;
        nuko::media::ReadCatalog(l, exts, false, env);
        items = l.items.size();
    });
    double write = nuko::bench::BestMs(5, [&] { (void)nuko::media::WriteCatalog(list); });
    std::printf("items read: %zu\n", items);
    nuko::bench::Report("read catalog", read, "read bytes", read_bytes);
    nuko::bench::Report("write catalog", write, "read bytes", read_bytes);
    ::unlink(list.path.c_str());
    ::rmdir(tmpl);
    return 0;
}

// The library's one export.
#include "kzbarqr.h"

#include "encoder.h"

namespace {
kzbarqr::Workspace workspace;
}

extern "C" int GetBarQr(char *path, const char *src, const char *type)
{
    return kzbarqr::generateSymbolFiles(workspace, path, src, type);
}

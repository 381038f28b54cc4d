// read_assimp FILE.3ds [EXPORT.3ds]: assimp imports the file with no
// post-processing (and exports it to 3DS again when asked, timing only the
// export); prints the timing line.
#include <assimp/cexport.h>
#include <assimp/cimport.h>
#include <assimp/scene.h>

#include "timing.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) return 2;
  const double baseline = resident_mb();
  const double start = now_seconds();
  const aiScene* scene = aiImportFile(argv[1], 0);
  if (scene == nullptr) return 1;
  long triangles = 0;
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) triangles += scene->mMeshes[i]->mNumFaces;
  if (argc == 3) {
    const double export_start = now_seconds();
    if (aiExportScene(scene, "3ds", argv[2], 0) != aiReturn_SUCCESS) return 1;
    report(now_seconds() - export_start, baseline, triangles);
  } else {
    report(now_seconds() - start, baseline, triangles);
  }
  aiReleaseImport(scene);
  return 0;
}

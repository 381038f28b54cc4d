/* read_lib3ds FILE.3ds [SAVE.3ds]: lib3ds 1.3 loads the file (and saves it
 * again when asked, timing only the save); prints the timing line. */
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>

#include "timing.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) return 2;
  const double baseline = resident_mb();
  const double start = now_seconds();
  Lib3dsFile* file = lib3ds_file_load(argv[1]);
  if (file == NULL) return 1;
  long triangles = 0;
  for (Lib3dsMesh* m = file->meshes; m != NULL; m = m->next) triangles += (long)m->faces;
  if (argc == 3) {
    const double save_start = now_seconds();
    if (!lib3ds_file_save(file, argv[2])) return 1;
    report(now_seconds() - save_start, baseline, triangles);
  } else {
    report(now_seconds() - start, baseline, triangles);
  }
  lib3ds_file_free(file);
  return 0;
}

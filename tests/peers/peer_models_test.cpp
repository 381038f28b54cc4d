// An independent reader as the oracle: the 3DS test models that ship with
// Debian's assimp-testmodels are read by our reader and by lib3ds, and per
// mesh the names, face counts and every face's corner positions must agree.
#include <gtest/gtest.h>
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/vector.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "qev_3ds.h"
#include "qev_3ds_scene.hpp"
#include "support/demo_layers.h"
#include "support/reader_files.h"
#include "support/scene_io.h"
#include "support/temp_files.h"

namespace {

namespace fs = std::filesystem;
using namespace qev::test;  // the chunk builder, files and host helpers
using namespace qev;        // chunk ids

struct Mesh {
  std::string name;
  std::vector<std::array<float, 9>> faces;
};

std::vector<fs::path> models() {
  std::vector<fs::path> out;
  for (const auto& e : fs::directory_iterator(fs::path(QEV_ASSIMP_MODELS) / "3DS")) {
    std::string ext = e.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".3ds") out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<Mesh> read_ours(const fs::path& path, std::int32_t& status) {
  std::vector<Mesh> out;
  QEV_READ_3DS_FILENAME(path.string().c_str(), &status);
  if (status != QEV_READ_OK) return out;
  std::int32_t n = 0;
  QEV_READ_3DS_N_LAYER(&n);
  for (std::int32_t k = 1; k <= n; ++k) {
    Mesh m;
    char name[64], texture[64];
    std::int32_t tr, r, g, b, count = 0;
    QEV_READ_3DS_LAYER(&k, name, &tr, &r, &g, &b, texture);
    m.name = name;
    QEV_READ_3DS_N_TRI(&k, &count);
    for (std::int32_t t = 1; t <= count; ++t) {
      std::array<float, 9> corners;
      float mapping[6];
      std::int32_t s;
      QEV_READ_3DS_TRIANGLE(&k, &t, &s, corners.data(), mapping);
      m.faces.push_back(corners);
    }
    out.push_back(m);
  }
  QEV_READ_3DS_END();
  return out;
}

// lib3ds mirrors the points of a mesh whose matrix has a negative
// determinant through M = A S A^-1 (S flips x); M is its own inverse, so
// applying it again gives back the stored positions.
void unmirror(Lib3dsMesh* mesh) {
  if (lib3ds_matrix_det(mesh->matrix) >= 0.0f) return;
  Lib3dsMatrix inverse, m;
  lib3ds_matrix_copy(inverse, mesh->matrix);
  lib3ds_matrix_inv(inverse);
  lib3ds_matrix_copy(m, mesh->matrix);
  lib3ds_matrix_scale_xyz(m, -1.0f, 1.0f, 1.0f);
  lib3ds_matrix_mult(m, inverse);
  for (Lib3dsDword i = 0; i < mesh->points; ++i) {
    Lib3dsVector out;
    lib3ds_vector_transform(out, m, mesh->pointL[i].pos);
    lib3ds_vector_copy(mesh->pointL[i].pos, out);
  }
}

std::vector<Mesh> read_lib3ds(const fs::path& path, std::vector<bool>& mirrored) {
  std::vector<Mesh> out;
  Lib3dsFile* file = lib3ds_file_load(path.string().c_str());
  if (file == nullptr) return out;
  for (Lib3dsMesh* mesh = file->meshes; mesh != nullptr; mesh = mesh->next) {
    mirrored.push_back(lib3ds_matrix_det(mesh->matrix) < 0.0f);
    unmirror(mesh);
    Mesh m;
    m.name = mesh->name;
    for (Lib3dsDword f = 0; f < mesh->faces; ++f) {
      std::array<float, 9> corners{};
      for (int c = 0; c < 3; ++c) {
        const Lib3dsWord p = mesh->faceL[f].points[c];
        for (int a = 0; a < 3; ++a)
          corners[3 * c + a] = p < mesh->points ? mesh->pointL[p].pos[a] : 0.0f;
      }
      m.faces.push_back(corners);
    }
    out.push_back(m);
  }
  lib3ds_file_free(file);
  return out;
}

TEST(PeerModels, EveryModelParsesAndAgreesWithLib3ds) {
  const auto paths = models();
  ASSERT_GE(paths.size(), 5u) << "assimp-testmodels is not installed";
  std::size_t compared = 0, mirrored_meshes = 0;
  for (const fs::path& path : paths) {
    SCOPED_TRACE(path.filename().string());
    std::int32_t status = -1;
    const std::vector<Mesh> ours = read_ours(path, status);
    ASSERT_EQ(status, QEV_READ_OK);
    std::vector<bool> mirrored;
    const std::vector<Mesh> theirs = read_lib3ds(path, mirrored);
    ASSERT_EQ(ours.size(), theirs.size());
    // lib3ds keeps meshes sorted by name; match them by name.
    std::multimap<std::string, const Mesh*> by_name;
    for (const Mesh& m : ours) by_name.emplace(m.name, &m);
    for (std::size_t i = 0; i < theirs.size(); ++i) {
      const Mesh& t = theirs[i];
      const auto it = by_name.find(t.name);
      ASSERT_NE(it, by_name.end()) << "mesh " << t.name;
      const Mesh& o = *it->second;
      by_name.erase(it);
      ASSERT_EQ(o.faces.size(), t.faces.size()) << "mesh " << t.name;
      // Stored positions are equal; un-mirrored ones to float rounding.
      const float tolerance = mirrored[i] ? 1e-3f : 0.0f;
      mirrored_meshes += mirrored[i] ? 1 : 0;
      compared += t.faces.size();
      for (std::size_t f = 0; f < t.faces.size(); ++f) {
        for (int a = 0; a < 9; ++a) {
          const float scale = std::max(1.0f, std::fabs(t.faces[f][a]));
          ASSERT_LE(std::fabs(o.faces[f][a] - t.faces[f][a]), tolerance * scale)
              << "mesh " << t.name << " face " << f << " value " << a;
        }
      }
    }
  }
  std::printf("%zu faces compared, %zu meshes un-mirrored\n", compared, mirrored_meshes);
  EXPECT_GT(compared, 500u);
}

// lib3ds names each face's material; the scene API must give every face
// that a group lists the same one, and the thirteen functions' layer view
// must equal the scene API's mesh view.
TEST(PeerModels, EveryFaceHasTheMaterialLib3dsGivesIt) {
  // The models have one material per mesh; a mesh of three groups, one of
  // them naming a material the file lacks, joins them.
  TempDir dir;
  const Chunk diffuse =
      Chunk(MAT_DIFFUSE).children({rgb24(COLOR_24, 9, 8, 7), rgb24(LIN_COLOR_24, 9, 8, 7)});
  write_bytes(dir.path("groups.3ds"),
              m3d_file({material("fur", {diffuse}), material("eye", {diffuse}),
                        object("Cat", {points({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}),
                                       faces({0, 1, 2, 1, 3, 2, 0, 1, 3, 0, 2, 3},
                                             {mat_group("eye", {1}), mat_group("fur", {0, 3}),
                                              mat_group("none", {2})})})})
                  .bytes());
  std::vector<fs::path> paths = models();
  paths.push_back(dir.path("groups.3ds"));
  std::size_t faces = 0, multi = 0;
  for (const fs::path& path : paths) {
    SCOPED_TRACE(path.filename().string());
    const qev3ds::ReadResult read = qev3ds::read_scene(path.string());
    ASSERT_EQ(read.status, qev3ds::read_ok);
    const qev3ds::MaterialIndex materials(read.scene);
    Lib3dsFile* file = lib3ds_file_load(path.string().c_str());
    ASSERT_NE(file, nullptr);
    std::multimap<std::string, const Lib3dsMesh*> theirs;
    for (Lib3dsMesh* m = file->meshes; m != nullptr; m = m->next) theirs.emplace(m->name, m);
    for (const qev3ds::Mesh& mesh : read.scene.meshes) {
      const auto it = theirs.find(mesh.name);
      ASSERT_NE(it, theirs.end()) << mesh.name;
      const Lib3dsMesh* t = it->second;
      theirs.erase(it);
      ASSERT_EQ(t->faces, mesh.faces.size());
      const std::vector<std::int32_t> group_of = qev3ds::face_groups(mesh);
      std::set<std::string> used;
      for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        // lib3ds leaves faces without a name where no group lists them, and
        // where the mesh has no group at all (our default group).
        if (group_of[f] < 0 || (mesh.groups.size() == 1 && mesh.groups[0].material == "WG_DEFAULT"))
          continue;
        const qev3ds::Look look = qev3ds::face_look(materials, mesh, group_of[f]);
        EXPECT_EQ(std::string(look.material_name), t->faceL[f].material)
            << mesh.name << " face " << f;
        used.insert(std::string(look.material_name));
        ++faces;
      }
      multi += used.size() > 1 ? 1 : 0;
    }
    lib3ds_file_free(file);

    // The C functions' answers are the scene API's, layer by layer.
    const qev::test::CallsRead c = qev::test::read_by_calls(path.string());
    ASSERT_EQ(c.layers.size(), read.scene.meshes.size());
    for (std::size_t k = 0; k < c.layers.size(); ++k) {
      const qev3ds::Look look = qev3ds::mesh_look(materials, read.scene.meshes[k]);
      EXPECT_TRUE(look.colour.red == c.layers[k].red && look.colour.green == c.layers[k].green &&
                  look.colour.blue == c.layers[k].blue &&
                  look.transparency == c.layers[k].transparency &&
                  look.texture == c.layers[k].texture)
          << k;
    }
  }
  std::printf("%zu faces compared, %zu meshes of several materials\n", faces, multi);
  EXPECT_GT(faces, 500u);
  EXPECT_GE(multi, 1u);
}

TEST(PeerModels, TheEmptyModelIsNot3ds) {
  std::int32_t status = -1;
  const fs::path empty = fs::path(QEV_ASSIMP_MODELS) / "invalid" / "empty.3ds";
  ASSERT_TRUE(fs::exists(empty));
  EXPECT_EQ(QEV_READ_3DS_FILENAME(empty.string().c_str(), &status), QEV_READ_NOT_3DS);
}

// What lib3ds sees of a file we wrote, compared with what was written.
void expect_lib3ds_sees(const std::string& path, const std::vector<qev3ds::Layer>& layers) {
  Lib3dsFile* file = lib3ds_file_load(path.c_str());
  ASSERT_NE(file, nullptr);
  std::map<std::string, Lib3dsMesh*> meshes;
  for (Lib3dsMesh* m = file->meshes; m != nullptr; m = m->next) meshes[m->name] = m;
  ASSERT_EQ(meshes.size(), layers.size());
  for (const qev3ds::Layer& l : layers) {
    SCOPED_TRACE(l.name);
    Lib3dsMesh* mesh = meshes.at(l.name);
    ASSERT_EQ(mesh->faces, l.triangle_count());
    EXPECT_EQ(mesh->texels, l.texture.empty() ? 0u : mesh->points);
    for (std::size_t f = 0; f < l.triangle_count(); ++f) {
      EXPECT_EQ(std::string(mesh->faceL[f].material), l.name + "MAT");
      for (int c = 0; c < 3; ++c) {
        for (int a = 0; a < 3; ++a) {
          ASSERT_EQ(mesh->pointL[mesh->faceL[f].points[c]].pos[a], l.corners[9 * f + 3 * c + a]);
        }
      }
    }
    Lib3dsMaterial* mat = lib3ds_file_material_by_name(file, (l.name + "MAT").c_str());
    ASSERT_NE(mat, nullptr);
    EXPECT_NEAR(mat->diffuse[0], l.red / 255.0f, 1e-6);
    EXPECT_NEAR(mat->diffuse[1], l.green / 255.0f, 1e-6);
    EXPECT_NEAR(mat->diffuse[2], l.blue / 255.0f, 1e-6);
    EXPECT_NEAR(mat->transparency, l.transparency / 100.0f, 1e-6);
    EXPECT_EQ(std::string(mat->texture1_map.name), l.texture);
  }
  lib3ds_file_free(file);
}

TEST(PeerModels, Lib3dsReadsALargerSceneWeWrite) {
  qev::test::TempDir dir;
  std::vector<qev3ds::Layer> layers = {{"Grid", 200, 100, 50, 0, "", {}, {}, {}},
                                       {"Decal", 10, 20, 30, 30, "decal.png", {}, {}, {}}};
  for (int i = 0; i < 60; ++i) {
    for (int j = 0; j < 60; ++j) {
      const float x = static_cast<float>(i) * 0.5f, y = static_cast<float>(j) * 0.25f;
      qev3ds::Layer& l = layers[(i + j) % 2];
      qev::test::add_triangle(l, {x, y, 0, x + 0.5f, y, 0, x + 0.5f, y + 0.25f, 1},
                              {0, 0, 1, 0, 1, 1});
      qev::test::add_triangle(l, {x, y, 0, x + 0.5f, y + 0.25f, 1, x, y + 0.25f, 0},
                              {0, 0, 1, 1, 0, 1});
    }
  }
  const std::string path = dir.path("ours.3ds");
  ASSERT_EQ(qev::test::write_by_calls(path, layers), QEV_OK);
  expect_lib3ds_sees(path, layers);
}

TEST(PeerModels, Lib3dsReadsTheDemoScene) {
  qev::test::TempDir dir;
  const auto layers = qev::test::write_demo_layers(dir.path("demo.3ds"), dir.path("demo.txt"));
  ASSERT_EQ(layers.size(), 3u);
  expect_lib3ds_sees(dir.path("demo.3ds"), layers);
}

}  // namespace

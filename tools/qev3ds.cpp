// qev3ds: inspect, draw and convert meshes in 3DS, OBJ, glTF and STL files.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "batch_command.h"
#include "cli_common.h"
#include "convert_command.h"
#include "demo_scene.h"
#include "output_file.h"
#include "qev_3ds_convert.hpp"
#include "referenced_files.h"
#include "render_progress.h"
#include "scene_render.h"
#include "scene_report.h"

namespace {

using namespace qev::tool;
using qev::convert::kMaxRenderPixels;
using qev::convert::kMaxRenderSide;
using qev::convert::parse_size;
using qev::convert::render_png;
using qev::convert::RenderOptions;
using qev::convert::View;

constexpr const char* kVersion = QEV_VERSION;  // the project() version of CMakeLists.txt

int run_demo(const std::string& path) {
  std::printf("writing the sample scene to %s\n", path.c_str());
  std::string why;
  if (!qev::convert::output_allowed(path, "", why)) {
    std::fprintf(stderr, "qev3ds: %s\n", why.c_str());
    return kWriteFailed;
  }
  const qev3ds::WriteResult written = write_demo_scene(path, stdout);
  if (!written.ok()) {
    std::fprintf(stderr, "qev3ds: writing %s failed: %s (result %d)\n", path.c_str(),
                 written.message.c_str(), written.status);
    return kWriteFailed;
  }
  std::printf("\nread back:\n");
  qev3ds::Scene scene;
  if (const int rc = read_or_report(path, scene)) return rc;
  qev::tool::print_table(scene, stdout);
  return kOk;
}

int run_info(const std::string& path, bool json) {
  qev3ds::Scene scene;
  if (const int rc = read_or_report(path, scene)) return rc;
  if (json) {
    qev::tool::print_json(scene, stdout);
  } else {
    qev::tool::print_table(scene, stdout);
  }
  return kOk;
}

struct RenderSettings {
  std::string size = "800x600", view = "iso", background;
  double yaw = 0, pitch = 0;
  bool both_sides = false;
};

// "none", or a colour as six hexadecimal digits (with or without "#").
bool parse_background(const std::string& text, RenderOptions& options) {
  if (text.empty()) return true;
  if (text == "none") {
    options.transparent_background = true;
    return true;
  }
  const std::string hex = text[0] == '#' ? text.substr(1) : text;
  if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return false;
  for (int c = 0; c < 3; ++c)
    options.background[c] =
        static_cast<unsigned char>(std::stoi(hex.substr(2 * std::size_t(c), 2), nullptr, 16));
  return true;
}

int run_render(const std::string& in, const std::string& out, const RenderSettings& settings,
               const std::vector<std::string>& texture_folders) {
  RenderOptions options;
  options.force_two_sided = settings.both_sides;
  if (!parse_size(settings.size, options.width, options.height)) {
    std::fprintf(stderr,
                 "qev3ds: --size %s: give WIDTHxHEIGHT or one side, 1 to %d pixels a side and "
                 "at most %lld pixels in all\n",
                 settings.size.c_str(), kMaxRenderSide, kMaxRenderPixels);
    return kUsage;
  }
  if (!parse_background(settings.background, options)) {
    std::fprintf(stderr, "qev3ds: --background %s: give none or a colour such as edf0f5\n",
                 settings.background.c_str());
    return kUsage;
  }
  const std::string& v = settings.view;
  options.view = v == "front"                  ? View::front
                 : v == "back"                 ? View::back
                 : v == "top"                  ? View::top
                 : v == "bottom"               ? View::bottom
                 : v == "left"                 ? View::left
                 : v == "right" || v == "side" ? View::right
                                               : View::iso;
  options.yaw = settings.yaw;
  options.pitch = settings.pitch;
  Progress bar(stderr_is_terminal());
  options.progress = [&bar](double done, double total) { bar.update(done, total); };
  std::string error;
  if (!qev::convert::output_allowed(out, in, error)) {
    std::fprintf(stderr, "qev3ds: %s\n", error.c_str());
    return kWriteFailed;
  }
  qev3ds::Scene scene;
  if (const int rc = read_or_report(in, scene)) return rc;
  const qev::convert::ReferencedFiles textures =
      qev::convert::ReferencedFiles::beside(in, texture_folders);
  options.textures = &textures;
  if (!render_png(scene, options, out, error)) {
    std::fprintf(stderr, "qev3ds: %s\n", error.c_str());
    return kWriteFailed;
  }
  return kOk;
}

// `qev3ds help [COMMAND]`, and bare `qev3ds`: the commands, or one
// command's options, on stdout. Bare `qev3ds` did nothing and says so in
// its exit code.
int run_help(const CLI::App& app, const std::string& topic, bool asked) {
  if (topic.empty()) {
    std::fputs(app.help().c_str(), stdout);
    return asked ? kOk : kUsage;
  }
  for (const CLI::App* command : app.get_subcommands({})) {
    if (command->get_name() == topic && topic != "help") {
      std::fputs(command->help().c_str(), stdout);
      return kOk;
    }
  }
  std::fprintf(stderr, "qev3ds: help: no command %s; qev3ds help lists them\n", topic.c_str());
  return kUsage;
}

// --up and --scale of the commands that convert; up is "y" or "z".
void add_placement(CLI::App* command, std::string& up, qev3ds::ConvertOptions& settings) {
  command
      ->add_option("--up", up,
                   "the axis pointing up in OBJ files read and written: y (default) or z; "
                   "glTF is always Y-up, 3DS and STL Z-up")
      ->check(CLI::IsMember({"y", "z"}));
  command
      ->add_option("--scale", settings.scale,
                   "multiply every coordinate by this (0.001: millimetres to metres)")
      ->check(CLI::Validator(
          [](std::string& text) {
            char* end = nullptr;
            const double v = std::strtod(text.c_str(), &end);
            const bool number = !text.empty() && *end == '\0';
            return number && v > 0 && std::isfinite(v) ? std::string()
                                                       : text + " is not a positive finite number";
          },
          "S > 0"));
}

int run(int argc, char** argv) {
  CLI::App app{
      "qev3ds: inspect and draw 3DS files, convert meshes between 3DS and OBJ, glTF and STL"};
  app.set_version_flag("--version", std::string("qev3ds ") + kVersion);
  app.require_subcommand(0, 1);
  int quiet = 0;
  app.add_flag("-q,--quiet", quiet,
               "no report of what was written; given twice, no warnings either (errors always)");
  app.fallthrough();
  app.footer(
      "exit codes: 0 done, 2 usage, 3 writing failed, 4 bad OBJ, 5 more than 1,400 layers,\n"
      "6 bad glTF or STL, 7 out of memory or an internal fault, "
      "11 cannot open, 12 cannot seek, 13 cannot take the position, 14 not a 3DS file;\n"
      "convert --to: the code of the first input, in order, that failed\n"
      "qev3ds help COMMAND: the options of a command");

  std::string in, out;
  RenderSettings render_settings;
  std::vector<std::string> outs;
  qev3ds::ConvertOptions settings;
  std::string up = "y";
  bool json = false;
  BatchSettings batch;
  CLI::App* demo =
      app.add_subcommand("demo", "write the built-in sample scene, then list it as read back");
  demo->add_option("OUT", out, "the .3ds file to write")->required();
  CLI::App* info =
      app.add_subcommand("info", "list the meshes of a scene file with totals and bounds");
  info->add_option("FILE", in, "the .3ds, .obj, .gltf, .glb or .stl file to read")->required();
  info->add_flag("--json", json, "print JSON for scripts");
  CLI::App* convert = app.add_subcommand(
      "convert", "convert between .3ds, .obj, .gltf, .glb and .stl, by the file extensions");
  convert->add_option("IN", in, "the file to read")->required();
  convert->add_option("OUT", outs,
                      "the file to write; several write the same scene in each format (with "
                      "--to: more inputs)");
  add_batch_options(*convert, batch);
  convert->add_option("--textures", settings.texture_folders,
                      "a folder to search for texture images after the input's own (repeatable)");
  convert->add_flag("--layers", settings.layers,
                    "write 3DS as the thirteen writing functions do: a material per object, "
                    "layers split at their capacities, corners welded");
  add_placement(convert, up, settings);
  CLI::App* render = app.add_subcommand("render", "draw a scene into a PNG picture");
  render->add_option("IN", in, "the .3ds, .obj, .gltf, .glb or .stl file to read")->required();
  render->add_option("OUT", out, "the .png file to write")->required();
  render->add_option("--size", render_settings.size,
                     "WIDTHxHEIGHT, or one side for a square (default 800x600; at most 8192 a "
                     "side, 16,777,216 pixels)");
  render
      ->add_option("--view", render_settings.view,
                   "iso, front, back, top, bottom, left or right (side: right; default iso)")
      ->check(CLI::IsMember({"iso", "front", "back", "top", "bottom", "left", "right", "side"}));
  render->add_option("--yaw", render_settings.yaw,
                     "turn the view this many degrees about the vertical (positive: towards the "
                     "right side)");
  render->add_option("--pitch", render_settings.pitch,
                     "raise the view this many degrees (positive: looking more from above)");
  render->add_option("--background", render_settings.background,
                     "none for a transparent background, or a colour such as edf0f5 (the default)");
  render->add_flag("--both-sides", render_settings.both_sides,
                   "draw the back of every face, as if every material were two-sided");
  render->add_option("--textures", settings.texture_folders,
                     "a folder to search for texture images after the input's own (repeatable)");
  CLI::App* to_obj = app.add_subcommand("to-obj", "convert a 3DS file to OBJ and MTL");
  to_obj->add_option("IN", in, "the .3ds file to read")->required();
  to_obj->add_option("OUT", out, "the .obj file to write (the .mtl goes beside it)")->required();
  to_obj->add_option("--textures", settings.texture_folders,
                     "a folder to search for texture images after the input's own (repeatable)");
  add_placement(to_obj, up, settings);
  CLI::App* from_obj = app.add_subcommand("from-obj", "convert an OBJ file (with its MTL) to 3DS");
  from_obj->add_option("IN", in, "the .obj file to read")->required();
  from_obj->add_option("OUT", out, "the .3ds file to write")->required();
  std::string topic;
  CLI::App* help = app.add_subcommand("help", "list the commands, or a command's options");
  help->add_option("COMMAND", topic, "the command to explain");
  add_placement(from_obj, up, settings);

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kUsage;
  }
  set_quiet(quiet);
  if (help->parsed() || app.get_subcommands().empty()) return run_help(app, topic, help->parsed());
  settings.up = up == "z" ? qev3ds::ConvertOptions::Up::z : qev3ds::ConvertOptions::Up::y;
  if (demo->parsed()) return run_demo(out);
  if (info->parsed()) return run_info(in, json);
  if (convert->parsed() && batch.wanted()) {
    outs.insert(outs.begin(), in);
    return run_batch(outs, batch, settings);
  }
  if (convert->parsed() && outs.empty()) {
    std::fprintf(stderr, "qev3ds: convert: OUT is required (or --to and --out-dir)\n");
    return kUsage;
  }
  if (convert->parsed()) return run_convert(in, outs, settings);
  if (render->parsed()) return run_render(in, out, render_settings, settings.texture_folders);
  if (to_obj->parsed()) return run_to_obj(in, out, settings);
  return run_from_obj(in, out, settings);
}

}  // namespace

// Nothing thrown anywhere below leaves the tool as an abort: it is a
// message and an exit code.
int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "qev3ds: out of memory\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qev3ds: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "qev3ds: failed\n");
  }
  return kFailed;
}

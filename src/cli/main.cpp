// omf: extract items from OMF containers and put them back.
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/signal_watch.h"

int main(int argc, char** argv) {
  using namespace omf::cli;
  CLI::App app{"omf: extract the items of OMF containers and put edited items back"};
  app.require_subcommand(1);

  ExtractArgs extract;
  auto* ex = app.add_subcommand("extract", "Extract every item of each container and write result.log");
  ex->add_option("-o,--output", extract.output_dir, "Output folder (created if missing)")
      ->default_str(".");
  ex->add_flag("--keep-going", extract.keep_going,
               "Report a failing container, leave it out of result.log and go on");
  ex->add_option("containers", extract.containers, "Containers to extract")->required();

  ReplayArgs replay;
  auto* rp = app.add_subcommand("replay", "Put edited item files back as each manifest says");
  rp->add_option("-o,--output", replay.output_dir,
                 "Output folder: rebuilt containers go here, relative paths resolve here")
      ->default_str(".");
  rp->add_flag("--list", replay.lists, "The arguments are project lists: each of their lines is a manifest");
  rp->add_flag("--dry-run", replay.dry_run, "Report what would be replaced, kept or refused; write nothing");
  rp->add_flag("--backup", replay.backup, "Copy a container to <name>.bak before its first write in place");
  rp->add_option("inputs", replay.inputs, "Manifests (log files), or project lists with --list")->required();

  std::string list_path;
  bool list_json = false;
  auto* ls = app.add_subcommand("list", "List the directory entries of a container");
  ls->add_flag("--json", list_json, "Print the entries as JSON");
  ls->add_option("container", list_path, "Container")->required();

  std::string check_path;
  auto* ck = app.add_subcommand("check", "Check that a container can be read completely");
  ck->add_option("container", check_path, "Container")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }

  omf::InterruptFlag interrupt;
  WatchSignals(interrupt);
  if (*ex) return RunExtract(extract, &interrupt);
  if (*rp) return RunReplay(replay, &interrupt);
  if (*ls) return RunList(list_path, list_json);
  if (*ck) return RunCheck(check_path);
  return kExitUsage;
}

#!/usr/bin/env python3
"""The developer pages' commands work as shown.

  pages_test.py --host LUMBREL_HOST --source-dir SOURCE --build-dir BUILD --ctest CTEST

Reads the shell blocks (fenced ```sh, ```bash or ```) of README.md, DEVELOPERS.md and docs/*.md,
and holds every command in them to the repository:

- `cmake --preset P` names a configure preset, `cmake --build --preset P` a build preset and
  `ctest --preset P` a test preset of CMakePresets.json; `--target T` a target that the CMake
  files make (add_custom_target, add_executable, add_library, lumbrel_add_test, their foreach
  loops expanded) or one of CMake's own (all, clean, install, package with CPack...);
- `ctest -L` names labels and `-R` tests (each alternative of the expression) of the build given,
  as `ctest --show-only=json-v1` lists them;
- every path into the repository (under a folder of it, such as scripts/, tests/, examples/)
  exists; a path into build/ names a preset's build folder or one that a script writes, and one
  into the native build names a file of the build given;
- every option given to lumbrel-host is one its --help or its command's --help lists; to
  lumbrel-winhost.exe, which runs under Wine alone, one its command line declares in its sources
  (hostsim/winhost/main.cpp and the commands of hostsim/play/command_line.cpp it adds); to a
  script, one its --help lists, or for a script that takes no --help, its opening comment;
- every lumbrel-host command that reads only files of the repository runs as shown from the
  source folder and exits 0 (with `run-each`, so does every scenario it plays), each path under
  /tmp/ (written by --out, --svg or into --out-dir, or made by `mkdir -p`) moved into a temporary
  folder. A command that reads a file the page makes otherwise (a large score of
  bench/make_score.py) has only its options checked;
- the first scripts/mutate command that makes mutants has the mutation runner's preparation run
  (`scripts/mutate --prepare`): its scratch clone, configured as for the mutants, passes its
  fast tests, with the programs of the build given rather than built a second time.

And outside the shell blocks:

- every path into the repository in a code span (`hostsim/store/`, `docs/guide/*.svg`; a word in
  capitals after the first folder, as in `fuzz/corpus/TARGET`, stands for any name) exists, and
  one into build/ names a preset's build folder or one that a script writes;
- every link to a file of the repository leads to one, and a link to a heading of a page
  (`developing.md#scenario-files`, `#layout`) to a heading that the page has.

And every script in scripts/ answers -h and --help with its usage alone: exit status 0, its
name in the text, within seconds, nothing built or changed.

Prints each problem as PAGE:LINE: what is wrong, and exits 1 when there is one.
"""

import argparse
import glob
import json
import os
import re
import shlex
import signal
import subprocess
import sys
import tempfile

# Folders under build/ that scripts write, beside the presets' build folders.
SCRIPT_BUILD_FOLDERS = ("check", "release", "verify-signature", "mutate")
# Targets that CMake makes for every project; `package` and `package_source` with CPack.
CMAKE_TARGETS = {"all", "clean", "help", "install", "install/local", "install/strip", "test",
                 "edit_cache", "rebuild_cache", "list_install_components"}
CPACK_TARGETS = {"package", "package_source"}
# What runs a command without being it: its options, and whether each takes a value.
WRAPPERS = {"nice": {"-n": True}, "xvfb-run": {"-a": False, "--auto-servernum": False},
            "wine": {}, "time": {}, "sudo": {}, "python3": {}, "/usr/bin/python3": {}}
# The options of lumbrel-host whose value is a file or folder it writes.
OUTPUT_OPTIONS = ("--out", "--svg", "--out-dir")
SECONDS_FOR_A_HOST_COMMAND = 10
SECONDS_FOR_A_SCRIPT_HELP = 10
SECONDS_FOR_THE_MUTATION_PREPARATION = 60


class Word:
    """One word of a command, with the page's line it stands on."""

    def __init__(self, text, line):
        self.text = text
        self.line = line


class Command:
    """One simple command of a shell block: its words after any wrappers."""

    def __init__(self, page, words):
        self.page = page
        self.words = words

    def where(self, word=None):
        return f"{self.page}:{(word or self.words[0]).line}"

    def texts(self):
        return [word.text for word in self.words]


def shell_blocks(path):
    """(line number, text) of every line of the page's shell blocks."""
    block = None  # outside a block; else the block's language
    with open(path, encoding="utf-8") as page:
        for number, line in enumerate(page, start=1):
            fence = re.match(r"^\s*```\s*(\w*)\s*$", line)
            if fence:
                block = fence.group(1) if block is None else None
            elif block in ("", "sh", "bash"):
                yield number, line.rstrip("\n")


def commands(page, lines):
    """The page's simple commands, split at &&, ||, ;, | and &, continued lines joined."""
    words = []
    for number, line in lines:
        continued = line.rstrip().endswith("\\")
        text = line.rstrip()[:-1] if continued else line
        # a command substitution stands as one word: its output is not known here
        text = re.sub(r"\$\([^()]*\)", "SUBSTITUTION", text)
        lexer = shlex.shlex(text, posix=True, punctuation_chars=";&|")
        lexer.whitespace_split = True
        for token in lexer:
            if token and set(token) <= set(";&|"):
                if words:
                    yield Command(page, words)
                words = []
            else:
                words.append(Word(token, number))
        if not continued and words:
            yield Command(page, words)
            words = []
    if words:
        yield Command(page, words)


def unwrapped(command):
    """The command without the variables set before it and the programs that run it."""
    words = list(command.words)
    while words:
        first = words[0].text
        if re.match(r"^[A-Za-z_]\w*=", first):
            words.pop(0)
        elif first in WRAPPERS:
            words.pop(0)
            options = WRAPPERS[first]
            while words and words[0].text in options:
                takes_value = options[words.pop(0).text]
                if takes_value and words:
                    words.pop(0)
        else:
            break
    return Command(command.page, words)


def read(path):
    with open(path, encoding="utf-8", errors="replace") as text:
        return text.read()


class Repository:
    """What the pages' commands are held to: the presets, targets, tests, labels and programs."""

    def __init__(self, arguments, scratch):
        self.source = os.path.abspath(arguments.source_dir)
        self.build = os.path.abspath(arguments.build_dir)
        self.host = os.path.abspath(arguments.host)
        self.scratch = scratch
        presets = json.loads(read(os.path.join(self.source, "CMakePresets.json")))
        self.presets = {kind: {preset["name"]: preset for preset in presets.get(key, [])}
                        for kind, key in (("configure", "configurePresets"),
                                          ("build", "buildPresets"), ("test", "testPresets"))}
        self.build_folders = {os.path.basename(preset.get("binaryDir", ""))
                              for preset in self.presets["configure"].values()}
        self.build_folders.update(SCRIPT_BUILD_FOLDERS)
        self.tops = {name for name in os.listdir(self.source)
                     if name not in (".git", "build") and
                     (not name.startswith(".") or os.path.isdir(os.path.join(self.source, name)))}
        self.targets = cmake_targets(self.source)
        listed = subprocess.run([arguments.ctest, "--show-only=json-v1"], cwd=self.build,
                                capture_output=True, text=True, check=True)
        tests = json.loads(listed.stdout)["tests"]
        self.tests = [test["name"] for test in tests]
        self.labels = {label for test in tests for property in test.get("properties", [])
                       if property["name"] == "LABELS" for label in property["value"]}
        self.helps = {}
        self.mutate_prepared = False

    def help_of(self, program, arguments=("--help",)):
        """The help text of a program of the repository (or of the host), asked once."""
        key = (program, tuple(arguments))
        if key not in self.helps:
            command = [program, *arguments]
            if program.endswith(".py"):
                command = ["/usr/bin/python3", *command]
            done = subprocess.run(command, cwd=self.source, capture_output=True, text=True,
                                  timeout=60, stdin=subprocess.DEVNULL)
            self.helps[key] = done.stdout + done.stderr
        return self.helps[key]


def cmake_files(source):
    """The project's CMake files, outside build/ and hidden folders: build/ holds a Wine prefix,
    whose drive letters lead back to the whole file system."""
    found = []
    for folder, folders, files in os.walk(source):
        if folder == source:
            folders[:] = [name for name in folders if name != "build"]
        folders[:] = sorted(name for name in folders if not name.startswith("."))
        found += [os.path.join(folder, name) for name in sorted(files)
                  if name == "CMakeLists.txt" or name.endswith(".cmake")]
    return found


def cmake_targets(source):
    """The targets the project's CMake files make, foreach loops over plain lists expanded, and
    CMake's own."""
    targets = set(CMAKE_TARGETS)
    for path in cmake_files(source):
        text = re.sub(r"#[^\n]*", "", read(path))
        if re.search(r"\binclude\(\s*CPack\s*\)", text):
            targets |= CPACK_TARGETS
        lists = {name: items.split() for name, items in
                 re.findall(r"\bset\(\s*(\w+)\s+([^()${}]*)\)", text)}
        loops = {}
        for variable, items in re.findall(r"\bforeach\(\s*(\w+)\s+([^)]*)\)", text):
            named = re.match(r"IN\s+LISTS\s+(\w+)\s*$", items.strip())
            loops[variable] = lists.get(named.group(1), []) if named else items.split()
        names = re.findall(r"\badd_(?:custom_target|executable|library)\(\s*([\w${}.-]+)", text)
        names += re.findall(r"\blumbrel_add_test\(\s*(\w+)", text)
        for name in names:
            variables = re.findall(r"\$\{(\w+)\}", name)
            if not variables:
                targets.add(name)
            elif len(variables) == 1 and variables[0] in loops:
                for item in loops[variables[0]]:
                    targets.add(name.replace("${" + variables[0] + "}", item))
    return targets


def option_words(command, start=1):
    """The words of the command that are options, `--name=value` taken as `--name`."""
    for word in command.words[start:]:
        if re.match(r"^--?[A-Za-z]", word.text):
            yield word, word.text.split("=", 1)[0]


def options_in(text):
    return set(re.findall(r"(?<![\w-])(--?[A-Za-z][\w-]*)", text))


def path_problems(repository, command):
    """Paths into the repository that are not there, and paths into build/ that no build makes."""
    problems = []
    for word in command.words:
        text = word.text.split("=", 1)[1] if re.match(r"^--?[\w-]+=", word.text) else word.text
        parts = text.split("/")
        if len(parts) > 1 and parts[0] == "build":
            if parts[1] not in repository.build_folders:
                problems.append(f"{command.where(word)}: {text}: build/{parts[1]} is made by no "
                                f"preset or script (they make build/"
                                f"{{{','.join(sorted(repository.build_folders))}}})")
            elif (parts[1] == "native" and parts[2:] and
                  not os.path.exists(os.path.join(repository.build, *parts[2:]))):
                problems.append(f"{command.where(word)}: {text}: the native build has no "
                                f"{'/'.join(parts[2:])}")
        elif (len(parts) > 1 or text in repository.tops) and parts[0] in repository.tops:
            if not glob.glob(os.path.join(repository.source, text)):
                problems.append(f"{command.where(word)}: {text}: no such file in the repository")
    return problems


def check_cmake(repository, command):
    """Presets of the right kind, and targets that exist."""
    texts = command.texts()
    problems = []
    kind = "build" if "--build" in texts else "install" if "--install" in texts else "configure"
    for index, text in enumerate(texts):
        preset = None
        if text == "--preset" and index + 1 < len(texts):
            preset = texts[index + 1]
        elif text.startswith("--preset="):
            preset = text.split("=", 1)[1]
        if preset is not None and preset not in repository.presets.get(kind, {}):
            problems.append(f"{command.where(command.words[index])}: no {kind} preset "
                            f"{preset!r} in CMakePresets.json (there are "
                            f"{', '.join(sorted(repository.presets.get(kind, {})))})")
        if text in ("--target", "-t"):
            for word in command.words[index + 1:]:
                if word.text.startswith("-"):
                    break
                if word.text not in repository.targets:
                    problems.append(f"{command.where(word)}: no build target {word.text!r}")
    return problems


def check_ctest(repository, command):
    """A test preset, labels and test names that exist."""
    texts = command.texts()
    problems = []
    for index, text in enumerate(texts[:-1]):
        value, word = texts[index + 1], command.words[index + 1]
        if text == "--preset" and value not in repository.presets["test"]:
            problems.append(f"{command.where(word)}: no test preset {value!r} in "
                            f"CMakePresets.json")
        elif text in ("-L", "-LE", "--label-regex", "--label-exclude"):
            for label in value.split("|"):
                if label not in repository.labels:
                    problems.append(f"{command.where(word)}: no test has the label {label!r} "
                                    f"(the labels are {', '.join(sorted(repository.labels))})")
        elif text in ("-R", "-E", "--tests-regex", "--exclude-regex"):
            for part in value.split("|"):
                if not any(re.search(part, name) for name in repository.tests):
                    problems.append(f"{command.where(word)}: no test's name matches {part!r}")
    return problems


def host_command_line(repository, command):
    """lumbrel-host's command and the options its help and that command's help list."""
    main = repository.help_of(repository.host)
    section = main.split("Subcommands:", 1)[1] if "Subcommands:" in main else ""
    commands = set(re.findall(r"^\s+([\w-]+)\s", section, re.MULTILINE))
    name = command.words[1].text if len(command.words) > 1 else ""
    options = options_in(main)
    if name in commands:
        options |= options_in(repository.help_of(repository.host, (name, "--help")))
    return name, commands, options


def run_host_command(repository, command):
    """Runs a lumbrel-host command from the source folder with its /tmp/ paths moved into the
    scratch folder; a problem when it does not exit 0. Runs none that reads a file the
    repository does not hold."""
    texts = command.texts()
    arguments = []
    for index, text in enumerate(texts[1:], start=1):
        written = texts[index - 1] in OUTPUT_OPTIONS or text.split("=", 1)[0] in OUTPUT_OPTIONS
        if "SUBSTITUTION" in text or (text.startswith("/tmp/") and not written):
            return []
        arguments.append(re.sub(r"(^|=)/tmp/", lambda found: found.group(1) +
                                repository.scratch + "/", text))
    try:
        done = subprocess.run([repository.host, *arguments], cwd=repository.source,
                              capture_output=True, text=True, stdin=subprocess.DEVNULL,
                              timeout=SECONDS_FOR_A_HOST_COMMAND)
    except subprocess.TimeoutExpired:
        return [f"{command.where()}: {' '.join(texts)}: still running after "
                f"{SECONDS_FOR_A_HOST_COMMAND} s"]
    if done.returncode != 0:
        return [f"{command.where()}: {' '.join(texts)}: exit status {done.returncode}: "
                f"{done.stderr.strip()[-500:]}"]
    if arguments[0] == "run-each" and "--out-dir" in arguments:
        # run-each exits 0 whatever the scenarios do: each one's status is in its files
        folder = arguments[arguments.index("--out-dir") + 1]
        scenarios = [text for text in arguments[1:] if text.endswith(".json")]
        for k, scenario in enumerate(scenarios, start=1):
            status = read(os.path.join(folder, f"{k}.status")).strip()
            if status != "0":
                return [f"{command.where()}: run-each: {scenario}: exit status {status}: "
                        f"{read(os.path.join(folder, f'{k}.err')).strip()[-500:]}"]
    return []


def check_host(repository, command):
    """A command of lumbrel-host's, options its help lists, and the command run as shown."""
    name, commands, options = host_command_line(repository, command)
    problems = command_line_problems(command, "lumbrel-host", name, commands, options)
    if not problems:
        problems += run_host_command(repository, command)
    return problems


def function_body(text, name):
    """The text of the C++ function `name` defined in `text`, or ''."""
    found = re.search(r"^[^\n;]*\b" + name + r"\([^)]*\)\s*\{.*?^\}", text,
                      re.MULTILINE | re.DOTALL)
    return found.group(0) if found else ""


def check_winhost(repository, command):
    """A command and options that lumbrel-winhost.exe declares: its main and the shared
    commands it adds. It runs under Wine alone, so its --help is not asked."""
    main = read(os.path.join(repository.source, "hostsim", "winhost", "main.cpp"))
    shared = read(os.path.join(repository.source, "hostsim", "play", "command_line.cpp"))
    texts = [main] + [function_body(shared, name)
                      for name in re.findall(r"\b(add\w+Command)\(app\b", main)]
    declared = "\n".join(texts)
    commands = set(re.findall(r"add_subcommand\(\s*\"([\w-]+)\"", declared))
    options = {"--help", "-h"} | set(
        re.findall(r"add_(?:option|flag)\(\s*\"(--[\w-]+)\"", declared))
    name = command.words[1].text if len(command.words) > 1 else ""
    return command_line_problems(command, "lumbrel-winhost.exe", name, commands, options)


def command_line_problems(command, program, name, commands, options):
    """A command of `program` that it does not have, and options it does not list."""
    problems = []
    if name not in commands and not name.startswith("-"):
        problems.append(f"{command.where()}: {program} has no command {name!r} (it has "
                        f"{', '.join(sorted(commands))})")
    for word, option in option_words(command):
        if option not in options:
            problems.append(f"{command.where(word)}: {program} {name}: no option {option}")
    return problems


def opening_comment(path):
    """A script's opening comment or docstring, which says how it is used."""
    text = read(path)
    docstring = re.match(r"(?:#![^\n]*\n)?\s*\"\"\"(.*?)\"\"\"", text, re.DOTALL)
    if docstring:
        return docstring.group(1)
    return "\n".join(re.findall(r"^#(?!!)[^\n]*", text.split("\n\n", 1)[0], re.MULTILINE))


def check_script(repository, command):
    """Options that the script's --help lists (and its subcommand's, for one that has them), or
    for a script without --help, its opening comment."""
    program = command.words[0].text
    path = os.path.join(repository.source, program)
    if not os.path.isfile(path):
        return []  # named by path_problems
    source = read(path)
    if "--help" in source or "argparse" in source:
        text = repository.help_of(program)
        takes_value = set(re.findall(r"(--[\w-]+) [A-Z][A-Z0-9_]*\b", text))
        choices = {choice for group in re.findall(r"\{([\w,-]+)\}", text)
                   for choice in group.split(",")}
        words = command.texts()[1:]
        while words:
            word = words.pop(0)
            if word in takes_value:
                words = words[1:]
            elif word in choices:
                text += repository.help_of(program, (word, "--help"))
                break
    else:
        text = opening_comment(path)
    options = options_in(text)
    return [f"{command.where(word)}: {program}: no option {option} (see its "
            f"{'--help' if '--help' in source or 'argparse' in source else 'opening comment'})"
            for word, option in option_words(command) if option not in options]


def check_mutate(repository, command):
    """scripts/mutate's options, and once, for a command that makes mutants, its preparation:
    the scratch clone configured and its fast tests run as for the first mutant, with the
    programs of the native build given rather than built again."""
    problems = check_script(repository, command)
    if "--list" in command.texts() or repository.mutate_prepared:
        return problems
    repository.mutate_prepared = True
    # a session of its own, so that its tests end with it when it outlasts its time
    preparing = subprocess.Popen(
        [os.path.join(repository.source, "scripts", "mutate"), "--prepare", "--scratch",
         os.path.join(repository.scratch, "mutate"), "--programs-from", repository.build],
        cwd=repository.source, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
        stdin=subprocess.DEVNULL, start_new_session=True)
    try:
        _, errors = preparing.communicate(timeout=SECONDS_FOR_THE_MUTATION_PREPARATION)
    except subprocess.TimeoutExpired:
        os.killpg(preparing.pid, signal.SIGKILL)
        preparing.communicate()
        return problems + [f"{command.where()}: scripts/mutate --prepare: still running after "
                           f"{SECONDS_FOR_THE_MUTATION_PREPARATION} s"]
    if preparing.returncode != 0:
        problems.append(f"{command.where()}: scripts/mutate cannot prepare the unchanged tree "
                        f"(exit status {preparing.returncode}): {errors.strip()[:2000]}")
    return problems


def make_folders(repository, command):
    """`mkdir -p /tmp/...`: the folder made in the scratch folder, for the commands after it."""
    for text in command.texts()[1:]:
        if text.startswith("/tmp/"):
            os.makedirs(os.path.join(repository.scratch, text[len("/tmp/"):]), exist_ok=True)
    return []


def is_script(repository, program):
    return program.split("/")[0] in repository.tops and "/" in program


# What each kind of command is held to, beside its paths: the first row whose test takes it.
CHECKS = (
    ("cmake", lambda repository, program: program == "cmake", check_cmake),
    ("ctest", lambda repository, program: program == "ctest", check_ctest),
    ("lumbrel-host", lambda repository, program: os.path.basename(program) == "lumbrel-host",
     check_host),
    ("lumbrel-winhost.exe",
     lambda repository, program: os.path.basename(program) == "lumbrel-winhost.exe",
     check_winhost),
    ("mkdir", lambda repository, program: program == "mkdir", make_folders),
    ("scripts/mutate", lambda repository, program: program == "scripts/mutate", check_mutate),
    ("script", is_script, check_script),
)


def prose(path):
    """The page's text with its fenced blocks blanked, lines kept where they stand."""
    lines, fenced = [], False
    with open(path, encoding="utf-8") as page:
        for line in page:
            if re.match(r"^\s*```", line):
                fenced = not fenced
                lines.append("\n")
            else:
                lines.append("\n" if fenced else line)
    return "".join(lines)


def line_of(text, offset):
    return text.count("\n", 0, offset) + 1


def heading_anchors(path):
    """The anchors of a page's headings, as the Markdown renderer makes them: the text in lower
    case, without punctuation but hyphens and underscores, spaces as hyphens, a repeated one
    numbered."""
    anchors = set()
    for heading in re.findall(r"^#{1,6}\s+(.*?)\s*#*$", prose(path), re.MULTILINE):
        text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", heading).replace("`", "").lower()
        anchor = re.sub(r"[^\w\- ]", "", text).replace(" ", "-")
        numbered, k = anchor, 0
        while numbered in anchors:
            k += 1
            numbered = f"{anchor}-{k}"
        anchors.add(numbered)
    return anchors


def span_path_problems(repository, where, text):
    """A path of a code span into the repository that is not there, or into a build/ folder
    that no preset or script makes."""
    parts = text.split(":", 1)[0].rstrip(".,;").split("/")  # a page's line: `PAGE:LINE`
    if len(parts) < 2 or parts[0] not in repository.tops | {"build"}:
        return []
    placeholder = re.compile(r"\b[A-Z][A-Z0-9_]+\b")
    if parts[0] == "build":
        if parts[1] in repository.build_folders | {""} or placeholder.fullmatch(parts[1]):
            return []
        return [f"{where}: {text}: build/{parts[1]} is made by no preset or script"]
    pattern = "/".join([parts[0]] + [placeholder.sub("*", part) for part in parts[1:]])
    if glob.glob(os.path.join(repository.source, pattern)):
        return []
    return [f"{where}: {text}: no such file in the repository"]


def prose_problems(repository, path):
    """Paths in the page's code spans that are not in the repository, and links that lead to
    no file or to no heading of their page."""
    page = os.path.relpath(path, repository.source)
    text = prose(path)
    problems = []
    for span in re.finditer(r"`([^`\n]+)`", text):
        for word in span.group(1).split():
            problems += span_path_problems(repository, f"{page}:{line_of(text, span.start())}",
                                           word.split("=", 1)[-1])
    without_spans = re.sub(r"`[^`\n]*`", lambda found: " " * len(found.group(0)), text)
    for link in re.finditer(r"\]\(([^)\s]+)\)", without_spans):
        target = link.group(1)
        if re.match(r"^[a-z]+:", target):
            continue  # a web address
        where = f"{page}:{line_of(text, link.start())}"
        file, _, anchor = target.partition("#")
        linked = os.path.normpath(os.path.join(os.path.dirname(path), file)) if file else path
        if not os.path.exists(linked):
            problems.append(f"{where}: link {target}: no such file")
        elif anchor and linked.endswith(".md") and anchor not in heading_anchors(linked):
            problems.append(f"{where}: link {target}: {os.path.relpath(linked, repository.source)}"
                            f" has no heading #{anchor}")
    return problems


def script_help_problems(repository):
    """Each script of scripts/ asked -h and --help: its usage, and nothing else done."""
    problems = []
    folder = os.path.join(repository.source, "scripts")
    for name in sorted(os.listdir(folder)):
        script = os.path.join("scripts", name)
        for option in ("-h", "--help"):
            try:
                done = subprocess.run([os.path.join(folder, name), option],
                                      cwd=repository.scratch, capture_output=True, text=True,
                                      stdin=subprocess.DEVNULL,
                                      timeout=SECONDS_FOR_A_SCRIPT_HELP)
            except subprocess.TimeoutExpired:
                problems.append(f"{script} {option}: still running after "
                                f"{SECONDS_FOR_A_SCRIPT_HELP} s: it does more than answer")
                continue
            if done.returncode != 0 or script not in done.stdout:
                problems.append(f"{script} {option}: exit status {done.returncode}, and its "
                                f"usage, naming {script}, expected on standard output: "
                                f"{(done.stdout + done.stderr).strip()[:300]}")
    return problems


def pages(source):
    found = [os.path.join(source, name) for name in ("README.md", "DEVELOPERS.md")]
    found += sorted(glob.glob(os.path.join(source, "docs", "*.md")))
    return [path for path in found if os.path.isfile(path)]


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", required=True, help="lumbrel-host")
    parser.add_argument("--source-dir", required=True, help="the repository")
    parser.add_argument("--build-dir", required=True, help="the native build, whose tests count")
    parser.add_argument("--ctest", default="ctest", help="the ctest that lists them")
    arguments = parser.parse_args()
    problems = []
    counts = {name: 0 for name, _, _ in CHECKS}
    with tempfile.TemporaryDirectory(prefix="lumbrel-pages-") as scratch:
        repository = Repository(arguments, scratch)
        for path in pages(repository.source):
            page = os.path.relpath(path, repository.source)
            for command in commands(page, shell_blocks(path)):
                command = unwrapped(command)
                if not command.words:
                    continue
                problems += path_problems(repository, command)
                program = command.words[0].text
                for name, takes, check in CHECKS:
                    if takes(repository, program):
                        counts[name] += 1
                        problems += check(repository, command)
                        break
            problems += prose_problems(repository, path)
        problems += script_help_problems(repository)
    for problem in problems:
        print(problem)
    print("commands checked: " + ", ".join(f"{count} {name}" for name, count in counts.items()))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

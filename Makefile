# Front door. `make test` and `make demo` install what they need (tools/bootstrap) by themselves.
SHELL := /bin/bash
.DEFAULT_GOAL := test
.PHONY: bootstrap native windows windows-x86 sanitize test demo package bench fuzz clean

SECONDS ?= 60
SCALING_MIB ?= 16 64 256
FILE ?=

bootstrap:
	@tools/bootstrap

native: bootstrap
	@cmake --preset native >/dev/null
	@cmake --build --preset native

windows: bootstrap
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows

# The same tree for the 32-bit host; its programs run under 32-bit Wine.
windows-x86: bootstrap
	@cmake --preset windows-x86 >/dev/null
	@cmake --build --preset windows-x86

sanitize: bootstrap
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize --target core_tests

# Builds every build (the core natively and with sanitizers, the plug-in for x64 and x86), runs
# every test, ends with one line.
test: native windows windows-x86 sanitize
	@ctest --preset native || true
	@ctest --preset sanitize || true
	@if tools/realhost-run --find-kit >/dev/null; then ctest --preset windows || true; \
	 else tools/realhost-run --find-kit; ctest --preset windows -LE realhost || true; fi
	@ctest --preset windows-x86 || true
	@tools/test-summary build/native build/sanitize build/windows build/windows-x86

# Runs the plug-in in the stand-in host under Wine on the bundled sample (or FILE=path);
# HOST=notepad++ runs it in the real editor of the host kit instead.
HOST ?=
demo: windows
	@tools/demo $(if $(HOST),--host $(HOST)) $(FILE)

# Writes build/Tabulon-<version>-x64.zip and -x86.zip (the plug-in folder, README.txt,
# LICENSE.txt) and prints for each the library's SHA-256 and the host's plug-in list entry.
package: windows windows-x86
	@tools/package

bench: native
	@build/native/bench/tabulon_bench --benchmark_color=false
	@build/native/bench/row_update_bench
	@build/native/bench/sort_find_bench
	@build/native/bench/problems_bench
	@build/native/bench/scaling_bench $(SCALING_MIB)
	@cmake --preset windows >/dev/null && cmake --build --preset windows --target grid_bench && tools/wine-run build/windows/bin/grid_bench.exe
	@cmake --build --preset windows --target Tabulon TabulonDriver >/dev/null && tools/realhost-bench

# Runs each fuzz target for SECONDS seconds (default 60): the scanner, then the text forms
# (paste block, settings values, status line), then the rescan of a changed stretch, then the
# views file.
fuzz: bootstrap
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz --target fuzz_scanner fuzz_text_forms fuzz_changed_range fuzz_view_memory
	@mkdir -p build/fuzz/corpus build/fuzz/corpus_text_forms build/fuzz/corpus_changed_range build/fuzz/corpus_view_memory
	@build/fuzz/tests/fuzz_scanner -max_total_time=$(SECONDS) -print_final_stats=1 build/fuzz/corpus
	@build/fuzz/tests/fuzz_text_forms -max_total_time=$(SECONDS) -print_final_stats=1 build/fuzz/corpus_text_forms
	@build/fuzz/tests/fuzz_changed_range -max_total_time=$(SECONDS) -print_final_stats=1 build/fuzz/corpus_changed_range
	@build/fuzz/tests/fuzz_view_memory -max_total_time=$(SECONDS) -print_final_stats=1 build/fuzz/corpus_view_memory

# Random sessions against the reference, new seeds for SECONDS seconds: in the stand-in host,
# or with HOST=notepad++ in the real one (one session of 300 steps per seed, up to the first
# that fails).
.PHONY: soak
HOST ?= devhost
soak: windows
ifeq ($(HOST),notepad++)
	@end=$$(( $$(date +%s) + $(SECONDS) )); seed=$$(date +%s); \
	while [ $$(date +%s) -lt $$end ]; do \
	  echo "session seed $$seed"; \
	  TABULON_SESSION_SEED=$$seed tools/realhost-run random-session || exit 1; \
	  seed=$$((seed + 1)); \
	done
else
	@TABULON_SOAK_SECONDS=$(SECONDS) TABULON_SESSION_SEED=$$(date +%s) tools/wine-run build/windows/bin/session_tests.exe
endif

clean:
	rm -rf build

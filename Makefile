# Front door. `make test` and `make demo` install what they need (tools/bootstrap) by themselves.
SHELL := /bin/bash
.DEFAULT_GOAL := test
.PHONY: bootstrap native windows sanitize test demo package bench fuzz clean

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

sanitize: bootstrap
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize --target core_tests

# Builds both builds (and the sanitizer build of the core), runs every test, ends with one line.
test: native windows sanitize
	@ctest --preset native || true
	@ctest --preset sanitize || true
	@ctest --preset windows || true
	@tools/test-summary build/native build/sanitize build/windows

# Runs the plug-in in the stand-in host under Wine on the bundled sample (or FILE=path).
demo: windows
	@tools/demo $(FILE)

# Writes build/Tabulon-<version>-x64.zip (the plug-in folder, README.txt, LICENSE.txt) and
# prints the library's SHA-256.
package: windows
	@tools/package

bench: native
	@build/native/bench/tabulon_bench --benchmark_color=false
	@build/native/bench/row_update_bench
	@build/native/bench/scaling_bench $(SCALING_MIB)
	@cmake --preset windows >/dev/null && cmake --build --preset windows --target grid_bench && tools/wine-run build/windows/bin/grid_bench.exe

# Runs each fuzz target for SECONDS seconds (default 60): the scanner, then the text forms
# (paste block, settings values, status line), then the rescan of a changed stretch.
fuzz: bootstrap
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz --target fuzz_scanner fuzz_text_forms fuzz_changed_range
	@mkdir -p build/fuzz/corpus build/fuzz/corpus_text_forms build/fuzz/corpus_changed_range
	@build/fuzz/tests/fuzz_scanner -max_total_time=$(SECONDS) -print_final_stats=1 build/fuzz/corpus
	@build/fuzz/tests/fuzz_text_forms -max_total_time=$(SECONDS) -print_final_stats=1 build/fuzz/corpus_text_forms
	@build/fuzz/tests/fuzz_changed_range -max_total_time=$(SECONDS) -print_final_stats=1 build/fuzz/corpus_changed_range

# Random sessions in the stand-in host against the reference, new seeds for SECONDS seconds.
.PHONY: soak
soak: windows
	@TABULON_SOAK_SECONDS=$(SECONDS) TABULON_SESSION_SEED=$$(date +%s) tools/wine-run build/windows/bin/session_tests.exe

clean:
	rm -rf build

# SPDX-License-Identifier: MIT
# The two commands a newcomer needs: `make demo` and `make test`.
# Both install missing Debian packages first (scripts/install-deps).

BUILD      ?= build
ASAN_BUILD ?= build-asan
GENERATOR  := -G Ninja
CTEST_JOBS ?= 4
CMAKE_FLAGS ?=

.PHONY: all deps configure build test test-plain test-asan demo clean windows test-windows bench-windows deb dist-windows coverage

all: build

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

test-plain: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(CTEST_JOBS)

test-asan: deps
	@test -f $(ASAN_BUILD)/build.ninja || cmake -S . -B $(ASAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DQUILLFEN_SANITIZE=ON -DQUILLFEN_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure -j $(CTEST_JOBS)

test: test-plain test-asan

demo: build
	@scripts/demo $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN_BUILD) $(DEB_BUILD) $(COV_BUILD) $(POSIX_BUILD)

# The Debian packages quillfen and quillfen-cli, built with dpkg-buildpackage
# into $(DEB_BUILD) and checked by lintian, then unpacked into a throwaway
# root and run from there.
DEB_BUILD ?= build-deb

deb:
	@QUILLFEN_WITH_PACKAGING=1 scripts/install-deps
	scripts/build-deb $(DEB_BUILD)
	tests/packaging/installed_test.sh $(DEB_BUILD)

# Windows: the core, quillfen-cli.exe and the Windows test programs,
# cross-built with MinGW-w64 into $(WIN_BUILD)/bin and tested under Wine
# against the native simulator.
WIN_BUILD ?= build-win

windows:
	@QUILLFEN_WITH_WINDOWS=1 scripts/install-deps
	@test -f $(WIN_BUILD)/build.ninja || cmake -S . -B $(WIN_BUILD) $(GENERATOR) \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-mingw64.cmake -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(WIN_BUILD)

test-windows: dist-windows configure
	cmake --build $(BUILD) --target quillfen-modemsim test_wine
	scripts/test-windows $(BUILD) $(WIN_BUILD)

# The paced wait's benchmark line under Wine, with a simulated port open.
bench-windows: windows configure
	cmake --build $(BUILD) --target quillfen-modemsim test_wine
	scripts/test-windows $(BUILD) $(WIN_BUILD) --gtest_filter=*Benchmark*

# quillfen-VERSION-win64.zip in $(WIN_BUILD): both programs, README.txt, the
# licences and SHA256SUMS. `make test-windows` unpacks it and runs it under Wine.
dist-windows: windows
	cmake --build $(WIN_BUILD) --target windows-zip

# Line and branch coverage of src/ by the ctest suite: one summary line each,
# and a browsable report in $(COV_BUILD)/coverage/index.html. Counters are
# cleared first so a rerun reports that run alone.
COV_BUILD ?= build-coverage
.PHONY: coverage
coverage:
	@QUILLFEN_WITH_COVERAGE=1 scripts/install-deps
	@test -f $(COV_BUILD)/build.ninja || cmake -S . -B $(COV_BUILD) $(GENERATOR) \
	  -DCMAKE_BUILD_TYPE=Debug -DQUILLFEN_COVERAGE=ON -DQUILLFEN_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(COV_BUILD)
	@# The notes of a source that was removed or moved would count as code never run.
	ninja -C $(COV_BUILD) -t cleandead >/dev/null
	find $(COV_BUILD) -name '*.gcno' | while read -r notes; do [ -f "$${notes%.gcno}.o" ] || rm -f "$$notes"; done
	find $(COV_BUILD) -name '*.gcda' -delete
	cd $(COV_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(CTEST_JOBS)
	mkdir -p $(COV_BUILD)/coverage
	gcovr --root $(CURDIR) --filter '$(CURDIR)/src/' --object-directory $(COV_BUILD) \
	  --exclude-throw-branches --exclude-unreachable-branches --gcov-ignore-parse-errors -j 2 \
	  --html-details $(COV_BUILD)/coverage/index.html --txt $(COV_BUILD)/coverage/summary.txt \
	  --print-summary

# Coverage-guided fuzzing with clang's libFuzzer: the response reader, seeded
# from the simulator's transcripts, the log report, seeded from the logs in
# tests/data, and the Telnet COM-port client. FUZZ_SECONDS sets the budget of each.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 120
.PHONY: fuzz
fuzz:
	@QUILLFEN_WITH_FUZZ=1 scripts/install-deps
	@test -f $(FUZZ_BUILD)/build.ninja || CXX=clang++ CC=clang cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLFEN_FUZZ=ON -DQUILLFEN_BUILD_GUI=OFF -DQUILLFEN_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) --target fuzz_response_reader fuzz_response_reader_seeds fuzz_log_report fuzz_com_port_client
	$(FUZZ_BUILD)/bin/fuzz_response_reader_seeds --extract $(FUZZ_BUILD)/corpus tests/fuzz/seeds
	$(FUZZ_BUILD)/bin/fuzz_response_reader -max_total_time=$(FUZZ_SECONDS) -max_len=4096 $(FUZZ_BUILD)/corpus
	mkdir -p $(FUZZ_BUILD)/report-corpus && cp tests/data/*.log $(FUZZ_BUILD)/report-corpus/
	$(FUZZ_BUILD)/bin/fuzz_log_report -max_total_time=$(FUZZ_SECONDS) -max_len=16384 $(FUZZ_BUILD)/report-corpus
	mkdir -p $(FUZZ_BUILD)/rfc2217-corpus && cp tests/fuzz/rfc2217-seeds/* $(FUZZ_BUILD)/rfc2217-corpus/
	$(FUZZ_BUILD)/bin/fuzz_com_port_client -max_total_time=$(FUZZ_SECONDS) -max_len=16384 $(FUZZ_BUILD)/rfc2217-corpus

# The generic POSIX half of port discovery and claiming (the one a system
# other than Linux builds), built on this machine in $(POSIX_BUILD) and run
# through the capability test, whose log must match the golden one byte for
# byte.
POSIX_BUILD ?= build-posix
.PHONY: test-posix-fallback
test-posix-fallback: deps
	@test -f $(POSIX_BUILD)/build.ninja || cmake -S . -B $(POSIX_BUILD) $(GENERATOR) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLFEN_SERIAL_PLATFORM=posix \
	  -DQUILLFEN_BUILD_GUI=OFF -DQUILLFEN_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(POSIX_BUILD) --target test_procedures
	$(POSIX_BUILD)/bin/test_procedures --gtest_filter='ProceduresTest.*GoldenLog'

# Front door for the README's commands. Everything builds into build/ (sanitizer builds beside it).
JOBS     ?= $(shell nproc)
BUILD    ?= build
CMAKE_ARGS ?= -DCMAKE_BUILD_TYPE=Release -DORMA_GUI=ON
# Ninja for a new build folder; one configured before keeps its generator.
generator = $(if $(wildcard $(1)/CMakeCache.txt),,-G Ninja)
# The sanitizer and fuzzing builds keep the line tables their reports need, not full debug
# information, which makes every compile and link of them slower.
LINES_ONLY = -g1

.PHONY: deps configure build run test quick-test test-asan test-tsan fuzz fuzz-long bench package clean

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) $(call generator,$(BUILD)) $(CMAKE_ARGS) >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/orma -j

# The full suite, as CI runs it: every test under ASan+UBSan (which also builds the viewer, the
# tools and the benchmarks), the threaded tests again under TSan, and a short fuzzing run. The
# plain build's run of the same tests adds no check these lack (floating point is the same at
# every optimisation level here: no contraction, no reassociation) but a third compile of
# everything, so it is left to quick-test.
test: test-asan test-tsan fuzz

quick-test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Every test, the window's included, under AddressSanitizer and UBSan: with assertions, at -O1
# as AddressSanitizer's documentation advises for a usable speed.
test-asan: deps
	cmake -S . -B build-asan $(call generator,build-asan) -DCMAKE_BUILD_TYPE=Debug \
	    "-DCMAKE_CXX_FLAGS_DEBUG=-O1 $(LINES_ONLY)" -DORMA_GUI=ON "-DORMA_SANITIZE=address;undefined" >/dev/null
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-tsan: deps
	cmake -S . -B build-tsan $(call generator,build-tsan) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 $(LINES_ONLY) -DNDEBUG" -DORMA_GUI=ON -DORMA_SANITIZE=thread >/dev/null
	cmake --build build-tsan -j $(JOBS) --target orma_threaded_tests
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -L threads

FUZZ_CONFIGURE = CC=clang CXX=clang++ cmake -S . -B build-fuzz $(call generator,build-fuzz) \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 $(LINES_ONLY) -DNDEBUG" \
    -DORMA_GUI=OFF -DORMA_FUZZ=ON >/dev/null
FUZZ_TARGETS = postfix record netreply foreign

fuzz: deps
	@if [ -f fuzz/CMakeLists.txt ]; then \
	    $(FUZZ_CONFIGURE) && \
	    cmake --build build-fuzz -j $(JOBS) $(FUZZ_TARGETS:%=--target fuzz_%) && \
	    cd build-fuzz && ctest --output-on-failure -j $(JOBS) -L fuzz; \
	fi

# A million inputs through each fuzzer, growing the corpora the short runs keep in build-fuzz/;
# stops at the first target that finds a fault (its input is left in build-fuzz/).
fuzz-long: deps
	$(FUZZ_CONFIGURE)
	cmake --build build-fuzz -j $(JOBS) $(FUZZ_TARGETS:%=--target fuzz_%)
	@for t in $(FUZZ_TARGETS); do \
	    mkdir -p build-fuzz/fuzz/corpus_$$t && \
	    ASAN_OPTIONS=detect_leaks=0 ./build-fuzz/bin/fuzz_$$t -runs=1000000 -timeout=10 \
	        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-fuzz/fuzz_$$t- \
	        build-fuzz/fuzz/corpus_$$t fuzz/corpus/$$t || exit 1; \
	done

bench: build
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bin/orma-bench $(BENCH_ARGS)

# A Debian package of the viewer, orma-tool and the example plug-in: $(BUILD)/orma_VERSION_ARCH.deb.
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf build build-asan build-tsan build-fuzz

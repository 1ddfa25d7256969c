# make run   set up, build, start a local server and the client
# make test  set up, build and run every test
# make install  build, then install into PREFIX (/usr/local), under DESTDIR when given
# make run-second  a second client beside the first, with folders of its own
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: all deps configure build test run run-second bench clean test-asan test-tsan fuzz install

all: build

deps:
	@tools/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE); \
	fi

build: configure
	cmake --build $(BUILD) -j $$(nproc)

test: build
	tools/run-tests.sh $(BUILD)

run: build
	tools/run-local.sh $(BUILD)

run-second: build
	tools/run-second-client.sh $(BUILD)

PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

bench: build
	@tools/run-benchmarks.sh $(BUILD)

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
# in its own build folder. Leaks of system libraries that are no leaks of ours
# are in tools/sanitizer/lsan.supp, each with its reason.
ASAN_BUILD ?= build-asan
test-asan: deps
	@if [ ! -f $(ASAN_BUILD)/build.ninja ]; then \
	  cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMBLO_SANITIZE=address,undefined; \
	fi
	cmake --build $(ASAN_BUILD) -j $$(nproc)
	LSAN_OPTIONS="suppressions=$(CURDIR)/tools/sanitizer/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 \
	  tools/run-tests.sh $(ASAN_BUILD)

# The threaded programs (platform, core, whiteboard, media, server) built with
# ThreadSanitizer (clang) in their own build folder. Reports that are no
# races are in tools/sanitizer/tsan.supp, each with its reason.
TSAN_BUILD ?= build-tsan
TSAN_TESTS = tamblo_platform_tests tamblo_core_tests tamblo_wire_tests tamblo_core_file_tests \
  tamblo_control_tests tamblo_report_tests tamblo_lan_tests tamblo_receive_tests \
  tamblo_whiteboard_tests tamblo_board_server_tests tamblo_media_tests tamblo_voice_tests \
  tamblo_voice_end_to_end_tests tamblo_server_tests tamblo_server_control_tests \
  tamblo_control_end_to_end_tests
test-tsan: deps
	@if [ ! -f $(TSAN_BUILD)/build.ninja ]; then \
	  CC=clang-14 CXX=clang++-14 cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DTAMBLO_SANITIZE=thread; \
	fi
	cmake --build $(TSAN_BUILD) --target $(TSAN_TESTS) -j $$(nproc)
	TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tools/sanitizer/tsan.supp" \
	  tools/run-tests.sh $(TSAN_BUILD) -E _NOT_BUILT

# The libFuzzer targets (clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer), each run for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
fuzz: deps
	@if [ ! -f $(FUZZ_BUILD)/build.ninja ]; then \
	  CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DTAMBLO_SANITIZE=address,undefined -DTAMBLO_FUZZ=ON; \
	fi
	cmake --build $(FUZZ_BUILD) --target fuzzers -j $$(nproc)
	tools/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)

# Sonvox: the two set-up commands are `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build run test bench sanitize fuzz install package format clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Starts Sonvox on the bundled demo playlist.
run: build
	./$(BUILD)/sonvox $(BUILD)/demo/demo.ply

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS)

# The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -DSONVOX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 SONVOX_KILLS=20 \
		ctest --output-on-failure -j $(JOBS)

# The parsers of outside input under libFuzzer (clang), each for FUZZ_SECONDS seconds; see
# fuzz/CMakeLists.txt. Inputs that fail are kept under tests/data/fuzz/ for `make test`.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DSONVOX_FUZZ=ON -DBUILD_TESTING=OFF \
		-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) --target fuzzers -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz.sh $(FUZZ_BUILD)

bench: build
	cmake --build $(BUILD) --target benches -j $(JOBS)
	@for b in $(BUILD)/bench/bench_*; do \
		if [ -f "$$b" ] && [ -x "$$b" ]; then \
			QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$$b" || exit 1; fi; \
	done

# Installs under PREFIX (default /usr/local); DESTDIR is honoured for staging.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package in $(BUILD), for `apt install ./build/sonvox_*.deb`.
PACKAGE_BUILD ?= build-package
package: deps
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack
	mkdir -p $(BUILD) && cp $(PACKAGE_BUILD)/sonvox_*.deb $(BUILD)/

format:
	clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PACKAGE_BUILD) $(FUZZ_BUILD)

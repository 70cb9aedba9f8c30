# Wraps CMake: `make` builds, `make run` colors the sample page, `make test` runs every test.
BUILD      ?= build
TESTBUILD  ?= build-test
GENERATOR  := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
WERROR     ?= $(if $(CI),ON,OFF)

COVBUILD   ?= build-coverage
FUZZ_SECONDS ?= 60
FUZZBUILD  ?= build-fuzz

PREFIX     ?= /usr/local

PKGBUILD   ?= build-package

.PHONY: all run test fuzz bench coverage mutate install uninstall package golden-update format clean

all:
	@scripts/deps.sh build
	cmake -S . -B "$(BUILD)" -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release -DILVO_TESTS=OFF \
	  -DILVO_WERROR=$(WERROR) >/dev/null
	cmake --build "$(BUILD)"

# The stream, html's messages (the sample's <pre> block holds a '>' in text, which html
# reports by design) and the page in the stream's colors, each under its heading.
run: all
	@echo "== html examples/sample.html: the color command stream (standard output)"
	@"$(BUILD)/contrib/parsehtml/html" examples/sample.html $$(cat examples/sample.colors) 2>"$(BUILD)/run.err"; echo
	@echo "== html's messages (standard error): a '>' in the text of the <pre> block"
	@cat "$(BUILD)/run.err"
	@echo "== ilvo_preview: the page in those colors"
	@"$(BUILD)/contrib/parsehtml/html" examples/sample.html $$(cat examples/sample.colors) 2>/dev/null | \
	  "$(BUILD)/preview/ilvo_preview" examples/sample.html

test:
	@scripts/deps.sh test
	cmake -S . -B "$(TESTBUILD)" -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DILVO_SANITIZE=ON \
	  -DILVO_WERROR=$(WERROR) >/dev/null
	cmake --build "$(TESTBUILD)"
	cd "$(TESTBUILD)" && ctest --output-on-failure -j2

# Installs programs, libraries, headers, manual pages, pkg-config and CMake files;
# PREFIX=... and DESTDIR=... as usual.
install: all
	cmake --install "$(BUILD)" --prefix "$(PREFIX)"

# Removes what install installed, for the same PREFIX and DESTDIR, and its folders left empty.
uninstall: all
	scripts/uninstall.sh "$(BUILD)" "$(PREFIX)"

# A Debian package that installs into /usr, built apart (dynamically linked, pages compressed).
package:
	@scripts/deps.sh package
	cmake -S . -B "$(PKGBUILD)" -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release -DILVO_TESTS=OFF \
	  -DILVO_PACKAGE=ON -DILVO_WERROR=$(WERROR) >/dev/null
	cmake --build "$(PKGBUILD)"
	cd "$(PKGBUILD)" && cpack -G DEB

# Times the release filters, and the floors of their jobs, against cat; see bench/bench.py.
bench: all
	@scripts/deps.sh bench
	cmake -S . -B "$(BUILD)" -DILVO_BENCH=ON >/dev/null
	cmake --build "$(BUILD)"
	python3 bench/bench.py "$(BUILD)"

# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS.
fuzz:
	@scripts/deps.sh fuzz
	CC=clang CXX=clang++ cmake -S . -B "$(FUZZBUILD)" -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DILVO_FUZZ=ON -DILVO_TESTS=OFF -DILVO_WERROR=$(WERROR) >/dev/null
	cmake --build "$(FUZZBUILD)"
	scripts/fuzz.sh "$(FUZZBUILD)" "$(FUZZ_SECONDS)"

# The suite in a coverage build, then lines and branches of every program source file.
coverage:
	@scripts/deps.sh coverage
	cmake -S . -B "$(COVBUILD)" -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DILVO_COVERAGE=ON >/dev/null
	find "$(COVBUILD)" -name '*.gcda' -delete
	cmake --build "$(COVBUILD)"
	find "$(COVBUILD)" -name '*.gcda' -delete
	cd "$(COVBUILD)" && ctest -j2 -E install >/dev/null || (ctest --rerun-failed --output-on-failure; exit 1)
	gcovr -r . --object-directory "$(COVBUILD)" --exclude-throw-branches --exclude-unreachable-branches \
	  $(foreach d,contrib/parsehtml listing src preview common,--filter '$(d)/') \
	  --exclude '.*_test\.(cpp|c)$$' --sort-uncovered
	gcovr -r . --object-directory "$(COVBUILD)" --exclude-throw-branches --exclude-unreachable-branches \
	  $(foreach d,contrib/parsehtml listing src preview common,--filter '$(d)/') \
	  --exclude '.*_test\.(cpp|c)$$' --branches --sort-uncovered

# Plants small faults in the programs' sources one at a time and reports those the fast tests
# miss (scripts/mutate.py; MUTANTS=N for how many). For maintainers: slow, not in make test.
mutate:
	@scripts/deps.sh test
	scripts/mutate.py $(if $(MUTANTS),--count $(MUTANTS))

# Rewrites the expected golden files from the programs; review `git diff tests/data` by hand.
golden-update:
	cmake -S . -B "$(TESTBUILD)" -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DILVO_SANITIZE=ON >/dev/null
	cmake --build "$(TESTBUILD)"
	for d in tests/data/html/*/; do tests/golden.sh html "$(TESTBUILD)/contrib/parsehtml/html" "$$d" --update; done
	for d in tests/data/listtint/*/; do tests/golden.sh listtint "$(TESTBUILD)/listing/listtint" "$$d" --update; done
	for d in tests/data/preview/*/; do tests/golden.sh preview "$(TESTBUILD)/preview/ilvo_preview" "$$d" --update; done

# Formats every C and C++ file of the tree by .clang-format; make test fails when one would change.
format:
	git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf "$(BUILD)" "$(TESTBUILD)" "$(FUZZBUILD)" "$(COVBUILD)" "$(PKGBUILD)"

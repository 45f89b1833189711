# Front door: `make test` sets up a fresh Debian machine and runs every test;
# `make demo` runs the simulator and a real download.
.PHONY: test deps build demo clean

test: deps
	scripts/test-all

deps:
	scripts/install-deps

build: deps
	cmake --preset native >/dev/null && cmake --build --preset native
	cmake --preset windows >/dev/null && cmake --build --preset windows

demo:
	scripts/demo

clean:
	rm -rf build

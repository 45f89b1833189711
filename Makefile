# Front door: `make test` sets up a fresh Debian machine and runs every test;
# `make demo` runs the simulator and a real download; `make dist` writes the
# release for lab PCs; `make guide-pictures` takes the guides' pictures anew.
.PHONY: test deps build demo dist guide-pictures clean

test: deps
	scripts/test-all

deps:
	scripts/install-deps

build: deps
	cmake --preset native >/dev/null && cmake --build --preset native
	cmake --preset windows >/dev/null && cmake --build --preset windows

demo:
	scripts/demo

dist:
	scripts/install-deps --dist
	cmake --preset windows >/dev/null
	cmake --build --preset windows --target dist

guide-pictures: deps
	cmake --preset native >/dev/null && cmake --build --preset native --target qvsim
	cmake --preset windows >/dev/null
	cmake --build --preset windows --target qvlogdl qv_shot_helper fake_ftd2xx_e2e
	tests/e2e/screenshot.sh guide

clean:
	rm -rf build dist

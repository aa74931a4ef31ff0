.PHONY: run test build clean

# Installs what is missing, builds and starts Clipvex on the sample workspace.
run:
	bash scripts/run.sh

# Installs what is missing, builds and runs every test.
test:
	bash scripts/test.sh

build:
	bash scripts/install-deps.sh
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j$$(nproc)

clean:
	rm -rf build build-asan build-fuzz

#!/usr/bin/env bash
# Installs the npm tools the tests run into .tools/node_modules (ignored by git): the Khronos glTF
# validator. Idempotent; silent when all is there.
set -euo pipefail
cd "$(dirname "$0")/.."

validator_version=2.0.0-dev.3.10
prefix=.tools
installed=$prefix/node_modules/gltf-validator/package.json
if [ -f "$installed" ] && grep -q "\"version\": \"$validator_version\"" "$installed"; then exit 0; fi

if ! command -v npm >/dev/null; then
  echo "install-node-tools: installing npm"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm >/dev/null
fi
echo "install-node-tools: installing gltf-validator $validator_version into $prefix"
mkdir -p "$prefix"
npm install --prefix "$prefix" --no-audit --no-fund --silent "gltf-validator@$validator_version" >/dev/null

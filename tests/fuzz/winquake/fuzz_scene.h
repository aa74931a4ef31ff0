// What the fuzz targets of the game data share: a playback state built
// message by message (a map, models, a camera, entities), so that a map or
// a model made of the fuzzer's bytes is drawn as a demo would show it.
#pragma once

#include <string>
#include <vector>

#include "demo.h"
#include "playstate.h"

namespace wq_fuzz {

struct Thing {
  std::uint16_t model = 0;  // 1 is the map
  std::uint16_t frame = 0;
  std::uint8_t skin = 0;
  float origin[3] = {0, 0, 0};
  float angles[3] = {0, 0, 0};
};

// The state after a level on `models` (the map first) with the camera at
// `eye` looking by `angles`, `things` in view, the view weapon `weapon`,
// at demo time `time`.
inline winquake::PlayState StateOf(const std::vector<std::string>& models, const float eye[3], const float angles[3],
                                   const std::vector<Thing>& things, std::uint16_t weapon, double time) {
  using winquake::Message;
  using winquake::MsgKind;
  winquake::Demo demo;
  auto text = [&](Message& m, const std::string& s) {
    m.text = static_cast<std::uint32_t>(demo.strings.size());
    m.textLen = static_cast<std::uint32_t>(s.size());
    demo.strings += s;
  };
  auto push = [&](const Message& m) {
    demo.messages.push_back(m);
    ++demo.blocks.back().messageCount;
  };
  demo.blocks.emplace_back();
  Message m;
  m.kind = MsgKind::ServerInfo;
  text(m, "fuzz");
  push(m);
  for (const std::string& name : models) {
    Message p;
    p.kind = MsgKind::PrecacheModel;
    text(p, name);
    push(p);
  }
  Message view;
  view.kind = MsgKind::SetView;
  view.entity = 1;
  push(view);
  winquake::Block frame;
  frame.firstMessage = static_cast<std::uint32_t>(demo.messages.size());
  frame.hasTime = true;
  frame.time = time;
  frame.cameraValid = true;
  for (int k = 0; k < 3; ++k) frame.camera[k] = angles[k];
  demo.blocks.push_back(frame);
  Message player;
  player.kind = MsgKind::Entity;
  player.entity = 1;
  player.fields = winquake::kFieldX | winquake::kFieldY | winquake::kFieldZ;
  for (int k = 0; k < 3; ++k) player.origin[k] = eye[k];
  player.origin[2] -= 22;  // the default view height
  push(player);
  for (std::size_t i = 0; i < things.size(); ++i) {
    Message e;
    e.kind = MsgKind::Entity;
    e.entity = static_cast<std::int32_t>(i + 2);
    e.fields = 0x7ff;
    e.model = things[i].model;
    e.frame = things[i].frame;
    e.skin = things[i].skin;
    for (int k = 0; k < 3; ++k) e.origin[k] = things[i].origin[k], e.angles[k] = things[i].angles[k];
    push(e);
  }
  Message client;
  client.kind = MsgKind::ClientData;
  client.stat[0] = 22;
  client.model = weapon;
  push(client);
  winquake::PlayState state;
  winquake::PlayState::Output out;
  for (const winquake::Block& b : demo.blocks) state.ApplyBlock(demo, b, out);
  return state;
}

}  // namespace wq_fuzz

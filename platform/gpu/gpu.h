#pragma once

// The GPU interface: a device with its command queues, resources, pipelines and shader
// library, executed by a software rasterizer. Include this one header to use it.

#include "platform/gpu/buffer.h"
#include "platform/gpu/command_buffer.h"
#include "platform/gpu/device.h"
#include "platform/gpu/pipeline.h"
#include "platform/gpu/render_pass.h"
#include "platform/gpu/shader.h"
#include "platform/gpu/texture.h"
#include "platform/gpu/types.h"
